/* Identifiers of the Join, Split-into-pieces, Cut and Streams dialogs' controls, as plain
   macros so that the .rc files can use them. Join and Close are IDOK and
   IDCANCEL. */
#ifndef TAVRIN_UI_TOOL_IDS_H
#define TAVRIN_UI_TOOL_IDS_H

/* Every label: not -1 (0xFFFF), which is a message box's text. */
#define IDC_TOOL_LABEL 400

/* Join */
#define IDC_JOIN_LIST 401
#define IDC_JOIN_ADD 402
#define IDC_JOIN_REMOVE 403
#define IDC_JOIN_UP 404
#define IDC_JOIN_DOWN 405
#define IDC_JOIN_OUTPUT 406
#define IDC_JOIN_OUTPUT_BROWSE 407
#define IDC_JOIN_DROP_OVERLAPS 408

/* Split into pieces */
#define IDC_PIECES_FILE 421
#define IDC_PIECES_BROWSE 422
#define IDC_PIECES_BY_TIME 423
#define IDC_PIECES_BY_SIZE 424
#define IDC_PIECES_EVERY 425
#define IDC_PIECES_MB 426
#define IDC_PIECES_OVERLAP 427
#define IDC_PIECES_SAVE_IN 428
#define IDC_PIECES_SAVE_IN_BROWSE 429

/* Cut */
#define IDC_CUT_FILE 441
#define IDC_CUT_BROWSE 442
#define IDC_CUT_LIST 443
#define IDC_CUT_START 444
#define IDC_CUT_END 445
#define IDC_CUT_ADD 446
#define IDC_CUT_CHANGE 447
#define IDC_CUT_REMOVE 448
#define IDC_CUT_KEEP 449
#define IDC_CUT_DROP 450
#define IDC_CUT_ONE 451
#define IDC_CUT_SEPARATE 452
#define IDC_CUT_LOAD 453
#define IDC_CUT_OUTPUT 454
#define IDC_CUT_OUTPUT_BROWSE 455
#define IDC_CUT_SUMMARY 456
#define IDC_CUT_PREVIEW 457
#define IDC_CUT_FIND_BREAKS 458

/* Streams */
#define IDC_STREAMS_FILE 471
#define IDC_STREAMS_BROWSE 472
#define IDC_STREAMS_LIST 473
#define IDC_STREAMS_SAVE 474
#define IDC_STREAMS_ADD 475
#define IDC_STREAMS_REPLACE 476
#define IDC_STREAMS_NO_SOUND 477
#define IDC_STREAMS_SOUND 478
#define IDC_STREAMS_OFFSET 479
#define IDC_STREAMS_SUMMARY 480

#endif
