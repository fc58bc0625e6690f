// How the writing of AVI outputs ends: one vocabulary for every writer (the
// split's shares, the chain of inputs, repair), which each job turns into
// its own result number and message.
#pragma once
#include <string>

enum class WriteResult {
  Written,
  Cancelled,     // stopped on request: the outputs hold partial files to discard
  InputShort,    // an input ends before bytes its index names (a file cut short)
  InputChanged,  // an input no longer holds what it held when it was looked at:
                 // a read came up short inside its size, it could not be
                 // opened again, or the bytes differ from the bytes counted
  ReadFailed,    // the system could not read an input (a failing disk)
  WriteFailed,   // an output refused bytes
  TooLarge,      // an output cannot be laid out (problem says why): refused
};

struct WriteOutcome {
  WriteResult result = WriteResult::Written;
  int output = -1;      // the output it concerns (the earliest one whose writing failed)
  std::string problem;  // TooLarge: why, in English words

  bool Written() const { return result == WriteResult::Written; }
  // The failure lies with an input rather than an output.
  bool FromInput() const {
    return result == WriteResult::InputShort || result == WriteResult::InputChanged ||
           result == WriteResult::ReadFailed;
  }
};
