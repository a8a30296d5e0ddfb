// Reading the batch tool's commands: shell-like word splitting and the
// sources they come from (-e options, a script file, standard input).
#pragma once

#include <istream>
#include <string>
#include <vector>

// One command as written, with where it was written for error messages.
struct ScriptLine {
  std::string source;  // "-e", the script's path, or "stdin"
  int number = 0;      // line of the script, or position of the -e option (from 1)
  std::vector<std::string> words;

  // "source:number", the prefix of every error message about this line.
  std::string Where() const;
};

// Splits `text` into words as a POSIX shell would, without expansions:
// blanks separate words; '...' keeps everything literally; "..." keeps
// blanks, with \ escaping only \ " $ ` inside; a backslash outside quotes
// keeps the next character; a # at the start of a word comments out the
// rest. false with `error` set for an unterminated quote or a trailing
// backslash.
bool SplitWords(const std::string& text, std::vector<std::string>* words, std::string* error);

// Appends the commands of `in` (one per line; blank and comment-only lines
// skipped) to `lines`. false, with `error` naming the line, on a quoting
// error.
bool ReadScript(std::istream& in, const std::string& source, std::vector<ScriptLine>* lines,
                std::string* error);
