/* The channel through which the plug-in TavrinD.dll learns what its entry
 * "TestFunc" is called for, and reaches the open progress dialog.
 *
 * Tavrin.exe exports one function under its plain name:
 *
 *     const TavrinChannel* __cdecl TavrinPluginChannel(void);
 *
 * which the DLL finds on the program's own module (GetProcAddress on
 * GetModuleHandleA(NULL)). During a call of TestFunc it returns the record of
 * that call; outside one it returns null, and the DLL then does nothing and
 * returns 1 (not done). The record and every text it points to stay valid
 * until TestFunc returns. File names and messages are UTF-8 (any name Windows
 * allows; the program shows messages through the W functions, whatever the
 * system's code page). Version 1 sent messages as code page 932. The DLL calls the functions below on the thread
 * that called TestFunc (the job's worker thread). TestFunc's own two
 * arguments keep their meaning: (CreateMode, whole seconds of overlap) for a
 * size split, (1, 60) for a merge.
 *
 * A record whose size is smaller than the DLL's sizeof(TavrinChannel), or
 * whose version differs, is refused (TestFunc returns 1).
 */
#ifndef TAVRIN_PLUGIN_CHANNEL_H
#define TAVRIN_PLUGIN_CHANNEL_H
#include <stdint.h>

#define TAVRIN_CHANNEL_VERSION 2

#ifdef _WIN32
#define TAVRIN_CDECL __cdecl
#else
#define TAVRIN_CDECL /* the platform's only convention */
#endif

enum TavrinChannelJob {
  TAVRIN_JOB_SIZE_SPLIT = 1, /* "File size": split input by size */
  TAVRIN_JOB_JOIN = 2        /* a planned merge: write the joined file */
};

typedef struct TavrinChannel {
  uint32_t size;    /* sizeof(TavrinChannel) as the program was built with */
  uint32_t version; /* TAVRIN_CHANNEL_VERSION */
  int32_t job;      /* a TavrinChannelJob */
  int32_t englishUi; /* 1: English texts, 0: Japanese */

  /* TAVRIN_JOB_SIZE_SPLIT: the Split tab's fields as typed */
  const char* input;         /* the file to split (field 101) */
  const char* sizeMegabytes; /* the size limit in MB of 1,048,576 bytes (field 111) */
  const char* overlap;       /* the overlap in seconds (field 118), exact */
  int32_t createMode;        /* 1 first file only, 2 second only, 3 both */

  /* TAVRIN_JOB_JOIN: the two inputs and the joined file's name */
  const char* firstInput;
  const char* secondInput;
  const char* joinedPath;

  /* The open progress dialog and the job's message boxes. */
  void* host; /* passed back to every function below */
  void (*status)(void* host, const char* text, int32_t cells); /* status line and bar (0..100) */
  void (*progress)(void* host, int32_t cells);                  /* bar only */
  int32_t (*cancelled)(void* host);                             /* non-zero: the user pressed Cancel */
  void (*message)(void* host, const char* text);                /* a message box owned by the dialog */
  /* Asked once the output is complete, before it replaces its name: 0 when
   * the user pressed Cancel first (the DLL then removes it); otherwise the
   * Cancel is closed for the rest of the job (cancelled() stays 0) and the
   * DLL moves the file into place. */
  int32_t (*beginCommit)(void* host);
  /* Asked before beginCommit when the output's name already holds a file:
   * names is that name (several, one a line); 0 when the user answered No
   * (the DLL then removes the output and ends cancelled). */
  int32_t (*mayReplace)(void* host, const char* names);
  /* TAVRIN_JOB_SIZE_SPLIT: the folder for the outputs; empty: beside the input */
  const char* outputFolder;
} TavrinChannel;

typedef const TavrinChannel*(TAVRIN_CDECL* TavrinPluginChannelEntry)(void);

#endif
