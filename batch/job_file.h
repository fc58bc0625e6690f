// Job files: many runs of the program's commands in one text file, which the
// command line runs (`tavrin batch JOBFILE`) and the window's batch writes.
// One job a line, a command line without the program's name:
//
//   # the week's recordings
//   split "Show 1.avi" --minutes 30
//   cut "Show 2.avi" --list "Show 2.edl"
//   repair cam/0001.avi
//
// Words are parted by spaces or tabs; double quotes keep a word whole
// ("Show 1.avi"), a doubled quote inside them is one quote character
// (Windows names hold none; POSIX ones may). A '#' that starts a word, or a
// line, begins a comment that runs to the line's end; blank lines count for
// nothing. The file is UTF-8, a byte order mark at its start allowed (the
// one Windows Notepad writes). Names are relative to the job file's folder.
// What a line's words must be as a command (its options) is the host's to
// check (cli/cmd_batch.cpp); this reads and writes the lines.
#pragma once
#include <string>
#include <vector>

struct JobLine {
  int number = 0;                  // the line's number in the file, from 1
  std::vector<std::string> words;  // the command's name, then its arguments
};

// The words of one line (no line end): "" and *words, or the fault
// ("a quote is not closed", "not UTF-8"). A blank or comment line gives no words.
std::string SplitJobLine(const std::string& line, std::vector<std::string>* words);

// The job lines of the file at path (its blank and comment lines left out),
// read line by line: "" when every line reads, else the fault with
// *faultLine its line number (0 when the file itself cannot be read).
std::string ReadJobFile(const std::string& path, std::vector<JobLine>* jobs, int* faultLine);

// The text of a job line for words, each quoted when it must be: what
// SplitJobLine reads back as the same words.
std::string JobLineText(const std::vector<std::string>& words);
