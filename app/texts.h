// Pairs of user-visible texts (avi/text_pair.h), as the hosts name them.
#pragma once
#include "texts/text_pair.h"
