/* The program's version: the About box's title line and the version block. */
#ifndef TAVRIN_UI_VERSION_H
#define TAVRIN_UI_VERSION_H

#define TAVRIN_VERSION_MAJOR 1
#define TAVRIN_VERSION_MINOR 0
#define TAVRIN_VERSION_PATCH 0
#define TAVRIN_VERSION_TEXT "1.0.0"

#endif
