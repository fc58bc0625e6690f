// Pairs of user-visible texts (texts/text_pair.h), as the hosts name them.
#pragma once
#include "texts/text_pair.h"
