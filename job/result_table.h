// A command's results as one table: for each result the number it reports,
// its message in both languages and whether it is a mistake in the request
// itself (exit status 2). Each *_texts.cpp file holds only its rows:
//
//   constexpr ResultRow<CutResult> kRows[] = {
//       {CutResult::Completed, result_number::kCompleted, kNoText},
//       {CutResult::NoRange, result_number::kOwnResults, texts::kCutNoRange, kUsage}, ...};
//   constexpr auto kTable = ResultTableOf(kRows);
//   static_assert(kTable.Complete(kOnlyCompletedIsZero), "...");
//   const TextPair* CutResultText(CutResult result) { return kTable.Text(result); }
#pragma once
#include <cstddef>
#include <cstdint>

#include "texts/text_pair.h"

template <class Result>
struct ResultRow {
  Result result;
  int32_t number;
  TextPair text;       // {nullptr, nullptr}: no message
  bool usage = false;  // the request's own mistake
};

constexpr TextPair kNoText = {nullptr, nullptr};
constexpr bool kUsage = true;
// For Complete: only the first row (Completed) reports 0.
constexpr bool kOnlyCompletedIsZero = true;

template <class Result, size_t N>
struct ResultTable {
  const ResultRow<Result> (&rows)[N];

  // One row per result, in the enumeration's order up to Result::Count, each
  // with its message in both languages or in neither.
  constexpr bool Complete(bool onlyCompletedIsZero = false) const {
    if (N != size_t(Result::Count)) return false;
    for (size_t i = 0; i < N; ++i) {
      if (size_t(rows[i].result) != i) return false;
      if ((rows[i].text.english == nullptr) != (rows[i].text.japanese == nullptr)) return false;
      if (onlyCompletedIsZero && (rows[i].number == 0) != (i == 0)) return false;
    }
    return true;
  }

  int32_t Number(Result result) const { return rows[size_t(result)].number; }
  // The message; nullptr for a result without one.
  const TextPair* Text(Result result) const {
    const TextPair& text = rows[size_t(result)].text;
    return text.english ? &text : nullptr;
  }
  bool Usage(Result result) const { return rows[size_t(result)].usage; }
};

template <class Result, size_t N>
constexpr ResultTable<Result, N> ResultTableOf(const ResultRow<Result> (&rows)[N]) {
  return {rows};
}
