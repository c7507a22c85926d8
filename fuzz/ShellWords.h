#pragma once

#include <string>
#include <string_view>
#include <vector>

// A command line split into words as a POSIX shell's tokeniser splits it, before any expansion:
// blanks separate words; quotes group and are removed (inside double quotes a backslash only
// escapes $ ` " and \); a backslash outside quotes escapes the next character; a command
// substitution $( ... ) stays whole inside its word; the operators ; & | && || < > each make a
// word of their own. Expansions are left as written ("$t" gives $t).
class ShellWords {
public:
    static std::vector<std::string> split(std::string_view line) {
        std::vector<std::string> words;
        std::string word;
        bool inWord = false;
        const auto finish = [&] {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        };
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (c == ' ' || c == '\t' || c == '\n') {
                finish();
            } else if (c == ';' || c == '&' || c == '|' || c == '<' || c == '>') {
                finish();
                std::string op(1, c);
                if ((c == '&' || c == '|') && i + 1 < line.size() && line[i + 1] == c) {
                    op += line[++i];
                }
                words.push_back(op);
            } else if (c == '\'') {
                const auto close = line.find('\'', i + 1);
                word += line.substr(i + 1, close - i - 1);
                i = close == std::string_view::npos ? line.size() : close;
                inWord = true;
            } else if (c == '"') {
                for (++i; i < line.size() && line[i] != '"'; ++i) {
                    if (line[i] == '\\' && i + 1 < line.size() &&
                        std::string_view("$`\"\\").find(line[i + 1]) != std::string_view::npos) {
                        ++i;
                    }
                    word += line[i];
                }
                inWord = true;
            } else if (c == '\\' && i + 1 < line.size()) {
                word += line[++i];
                inWord = true;
            } else if (c == '$' && i + 1 < line.size() && line[i + 1] == '(') {
                int depth = 0;
                for (; i < line.size(); ++i) {
                    word += line[i];
                    depth += line[i] == '(' ? 1 : line[i] == ')' ? -1 : 0;
                    if (depth == 0 && line[i] == ')') {
                        break;
                    }
                }
                inWord = true;
            } else {
                word += c;
                inWord = true;
            }
        }
        finish();
        return words;
    }
};
