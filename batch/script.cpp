#include "batch/script.h"

std::string ScriptLine::Where() const {
  return source + ":" + std::to_string(number);
}

bool SplitWords(const std::string& text, std::vector<std::string>* words, std::string* error) {
  words->clear();
  std::string word;
  bool inWord = false;  // a word has started, possibly an empty quoted one
  size_t i = 0;
  const size_t n = text.size();
  auto finishWord = [&] {
    if (inWord) words->push_back(word);
    word.clear();
    inWord = false;
  };
  while (i < n) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      finishWord();
      ++i;
    } else if (c == '#' && !inWord) {
      break;
    } else if (c == '\'') {
      const size_t close = text.find('\'', i + 1);
      if (close == std::string::npos) {
        *error = "unterminated single quote";
        return false;
      }
      word.append(text, i + 1, close - i - 1);
      inWord = true;
      i = close + 1;
    } else if (c == '"') {
      inWord = true;
      ++i;
      bool closed = false;
      while (i < n) {
        const char d = text[i];
        if (d == '"') {
          closed = true;
          ++i;
          break;
        }
        if (d == '\\' && i + 1 < n &&
            (text[i + 1] == '\\' || text[i + 1] == '"' || text[i + 1] == '$' ||
             text[i + 1] == '`')) {
          word += text[i + 1];
          i += 2;
          continue;
        }
        word += d;
        ++i;
      }
      if (!closed) {
        *error = "unterminated double quote";
        return false;
      }
    } else if (c == '\\') {
      if (i + 1 >= n) {
        *error = "backslash at the end of the line";
        return false;
      }
      word += text[i + 1];
      inWord = true;
      i += 2;
    } else {
      word += c;
      inWord = true;
      ++i;
    }
  }
  finishWord();
  return true;
}

bool ReadScript(std::istream& in, const std::string& source, std::vector<ScriptLine>* lines,
                std::string* error) {
  std::string text;
  int number = 0;
  while (std::getline(in, text)) {
    ++number;
    ScriptLine line{source, number, {}};
    std::string why;
    if (!SplitWords(text, &line.words, &why)) {
      *error = line.Where() + ": " + why;
      return false;
    }
    if (!line.words.empty()) lines->push_back(std::move(line));
  }
  if (in.bad()) {
    *error = source + ": cannot be read";
    return false;
  }
  return true;
}
