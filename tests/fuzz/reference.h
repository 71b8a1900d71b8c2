#pragma once
#include <string>
#include <vector>

// An independent splitter to compare SplitCommandLine with: same rules,
// written over indices of a std::string instead of cutting a copy in place.

// The tokens as they stand in the line, quotes still on.
std::vector<std::string> ReferenceRawTokens(const std::string& line, int maxTokens);

// A raw token as SplitCommandLine returns it: one that begins with a quote
// loses that quote and its last character.
std::string ReferenceUnquote(const std::string& raw);

// Each byte as the wide character of the same value.
std::wstring Widen(const std::string& bytes);

// How many runs of bytes other than blank and tab the line holds.
int CountRuns(const std::string& line);
