#include "case_table.h"

#include "text/quoted_text.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// Quoted texts (which may hold blanks) and bare words.
std::vector<std::string> Tokens(const std::string& text)
{
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        size_t start = i;
        if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\')
                    ++i;
            }
            i = i < text.size() ? i + 1 : text.size();
        } else {
            while (i < text.size() && text[i] != ' ')
                ++i;
        }
        tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

bool ParseArgument(const std::string& token, CaseArgument& argument)
{
    if (token[0] == '"')
        return ParseQuotedText(token, argument.text);
    char* end = nullptr;
    argument.isText = false;
    argument.number = std::strtod(token.c_str(), &end);
    return *end == '\0';
}

bool ParseCall(const std::string& rest, MexCase& mexCase)
{
    std::vector<std::string> tokens = Tokens(rest);
    if (tokens.size() < 2)
        return false;
    mexCase.function = tokens[0];
    mexCase.nargout = std::atoi(tokens[1].c_str());
    for (size_t i = 2; i < tokens.size(); ++i) {
        CaseArgument argument;
        if (!ParseArgument(tokens[i], argument))
            return false;
        mexCase.arguments.push_back(argument);
    }
    return true;
}

bool ParseLine(const std::string& keyword, const std::string& rest, MexCase& mexCase)
{
    if (keyword == "call")
        return ParseCall(rest, mexCase);
    if (keyword == "reply") {
        mexCase.checksReply = true;
        return ParseQuotedText(rest, mexCase.reply);
    }
    if (keyword == "error") {
        mexCase.checksError = true;
        return ParseQuotedText(rest, mexCase.error);
    }
    if (keyword == "status") {
        mexCase.checksStatus = true;
        mexCase.status = std::atof(rest.c_str());
        return true;
    }
    if (keyword == "trace")
        mexCase.trace.push_back(rest);
    else if (keyword != "no-calls")
        return false;
    mexCase.checksTrace = true;
    return true;
}

} // namespace

bool ParseCaseTable(const std::string& text, std::vector<MexCase>& cases, std::string& error)
{
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        size_t blank = line.find(' ');
        std::string keyword = line.substr(0, blank);
        std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (keyword == "case") {
            cases.emplace_back();
            cases.back().title = rest;
            cases.back().line = number;
        } else if (cases.empty() || !ParseLine(keyword, rest, cases.back())) {
            error = "line " + std::to_string(number) + ": cannot read " + line;
            return false;
        }
    }
    return true;
}

bool ReadCaseTable(const std::string& path, std::vector<MexCase>& cases, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseCaseTable(text.str(), cases, error);
}
