#include "CgatsReader.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

std::string upper(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

bool is(std::string_view token, const char* keyword)
{
    std::string_view k(keyword);
    return token.size() == k.size() &&
           std::equal(token.begin(), token.end(), k.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == b;
           });
}

// A plain field line of the older shape: field names only (a keyword line
// quotes its value) naming a whole colour.
bool isPlainFieldLine(std::string_view line, const std::vector<std::string_view>& tokens)
{
    if (line.find('"') != std::string_view::npos)
        return false;
    std::vector<std::string> names;
    for (std::string_view t : tokens)
        names.push_back(upper(t));
    return CgatsFields::namesColour(names);
}

// Whether a line of the older shape is framing or a keyword rather than data:
// it starts with a name such as BEGIN_DATA or NUMBER_OF_SETS.
bool looksLikeKeyword(std::string_view token)
{
    if (token.empty() || !std::isalpha(static_cast<unsigned char>(token[0])))
        return false;
    return std::all_of(token.begin(), token.end(), [](char c) {
        return std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) ||
               c == '_' || c == '.' || c == '/';
    });
}

// KEYWORD itself, or a name it declared.
bool keywordLineName(std::string_view token, const std::vector<std::string>& declared)
{
    const std::string name = upper(token);
    return name == "KEYWORD" || std::find(declared.begin(), declared.end(), name) != declared.end();
}

} // namespace

int CgatsFields::spectralWavelength(std::string_view name)
{
    // Longest prefix first: SPECTRAL_NM_ before SPECTRAL_NM before SPECTRAL_.
    for (std::string_view prefix : {"SPECTRAL_NM_", "SPECTRAL_NM", "SPECTRAL_", "SPEC_"}) {
        if (name.substr(0, prefix.size()) != prefix)
            continue;
        const std::string_view digits = name.substr(prefix.size());
        if (digits.empty() || digits.size() > 4 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return -1;
        int nm = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), nm);
        return nm > 0 ? nm : -1;
    }
    return -1;
}

bool CgatsFields::namesColour(const std::vector<std::string>& names)
{
    auto has = [&names](const char* name) { return std::find(names.begin(), names.end(), name) != names.end(); };
    static const char* const trios[][3] = {
        {"LAB_L", "LAB_A", "LAB_B"}, {"XYZ_X", "XYZ_Y", "XYZ_Z"}, {"REFLAB_L", "REFLAB_A", "REFLAB_B"}};
    for (const auto& trio : trios)
        if (has(trio[0]) && has(trio[1]) && has(trio[2]))
            return true;
    return std::count_if(names.begin(), names.end(),
                         [](const std::string& n) { return spectralWavelength(n) > 0; }) >= 2;
}

void CgatsReader::splitLine(std::string_view line, std::vector<std::string_view>& tokens)
{
    tokens.clear();
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i >= n || line[i] == '#')
            break;
        if (line[i] == '"') {
            const std::size_t start = ++i;
            while (i < n && line[i] != '"')
                ++i;
            tokens.push_back(line.substr(start, i - start));
            if (i < n)
                ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < n && !isBlank(line[i]) && line[i] != '#' && line[i] != '"')
            ++i;
        tokens.push_back(line.substr(start, i - start));
    }
}

bool CgatsReader::read(std::string_view text, Handler& handler, EngineText& problem)
{
    skipped_.clear();
    dataLines_ = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    enum class State { Header, FieldList, BeforeData, Data, PlainData, Done };
    State state = State::Header;
    std::vector<std::string> fields;
    std::vector<std::string_view> tokens;
    std::vector<std::string> declaredKeywords;
    EngineText rowProblem;
    bool sawFieldList = false;
    int lineNumber = 0;

    EngineText fieldProblem;
    bool fieldsRefused = false;
    // "NAME value" or KEYWORD "NAME" before the data; the names KEYWORD
    // declares are keywords whatever follows them.
    auto keywordLine = [&]() {
        const std::string name = upper(tokens.front());
        if (name == "KEYWORD" && tokens.size() > 1)
            declaredKeywords.push_back(upper(tokens[1]));
        const bool declared = std::find(declaredKeywords.begin(), declaredKeywords.end(), name) != declaredKeywords.end();
        if (!declared && !(tokens.size() > 1 && looksLikeKeyword(tokens.front())))
            return false;
        handler.keyword(name, tokens.size() > 1 ? tokens[1] : std::string_view());
        return true;
    };
    auto startFields = [&]() {
        sawFieldList = true;
        fieldsRefused = !handler.fields(fields, fieldProblem);
        if (fieldsRefused)
            state = State::Done;
    };
    // Field names up to END_DATA_FORMAT, which may come on a later line.
    auto fieldListTokens = [&]() {
        auto endMark = std::find_if(tokens.begin(), tokens.end(),
                                    [](std::string_view t) { return is(t, "END_DATA_FORMAT"); });
        for (auto it = tokens.begin(); it != endMark; ++it)
            fields.push_back(upper(*it));
        if (endMark != tokens.end()) {
            state = State::BeforeData;
            startFields();
        }
    };
    bool unterminated = false;
    auto dataRow = [&](int line) {
        ++dataLines_;
        // A file cut inside its last number still parses ("26" of "26.80").
        if (unterminated) {
            skipped_.push_back({line, EngineText::of(QT_TRANSLATE_NOOP(
                                          "Engine",
                                          "the file ends inside this line, without END_DATA: it may have been cut short"))});
            return;
        }
        if (tokens.size() != fields.size()) {
            skipped_.push_back(
                {line, tokens.size() == 1
                           ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "1 value, %1 expected"),
                                            std::to_string(fields.size()))
                           : EngineText::of(QT_TRANSLATE_NOOP("Engine", "%1 values, %2 expected"),
                                            std::to_string(tokens.size()), std::to_string(fields.size()))});
            return;
        }
        rowProblem.clear();
        if (!handler.row(line, tokens, rowProblem))
            skipped_.push_back({line, rowProblem});
    };

    std::size_t pos = 0;
    while (pos < text.size() && state != State::Done) {
        // Any of CR, LF and CRLF ends a line.
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        unterminated = end == text.size();
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
        else if (end < text.size() && text[end] == '\n')
            ++pos;
        ++lineNumber;

        splitLine(line, tokens);
        if (tokens.empty())
            continue;
        const std::string_view first = tokens.front();

        if (is(first, "NUMBER_OF_SETS") && tokens.size() > 1 && state != State::Data) {
            long sets = 0;
            const std::string_view count = tokens[1];
            const auto [p, ec] = std::from_chars(count.data(), count.data() + count.size(), sets);
            if (ec == std::errc() && p == count.data() + count.size())
                handler.declaredSets(sets);
            continue;
        }

        switch (state) {
        case State::Header:
            if (is(first, "BEGIN_DATA_FORMAT")) {
                tokens.erase(tokens.begin());
                state = State::FieldList;
                fieldListTokens();
            } else if (!is(first, "BEGIN_DATA") && isPlainFieldLine(line, tokens) && !keywordLineName(first, declaredKeywords)) {
                for (std::string_view t : tokens)
                    fields.push_back(upper(t));
                state = State::PlainData;
                startFields();
            } else {
                keywordLine();
            }
            break;
        case State::FieldList: fieldListTokens(); break;
        case State::BeforeData:
            if (is(first, "BEGIN_DATA"))
                state = State::Data;
            else
                keywordLine();
            break;
        case State::Data:
            if (is(first, "END_DATA"))
                state = State::Done;
            else
                dataRow(lineNumber);
            break;
        case State::PlainData:
            // Without framing, a line of a different length that opens with a
            // keyword is framing, not a broken patch.
            if (tokens.size() != fields.size() && looksLikeKeyword(first))
                break;
            dataRow(lineNumber);
            break;
        case State::Done: break;
        }
    }

    if (fieldsRefused) {
        problem = fieldProblem;
        return false;
    }
    if (!sawFieldList) {
        problem = state == State::FieldList
                      ? EngineText::of(QT_TRANSLATE_NOOP("Engine", "the field list has no END_DATA_FORMAT"))
                      : EngineText::of(QT_TRANSLATE_NOOP(
                            "Engine", "no field list (BEGIN_DATA_FORMAT ... END_DATA_FORMAT) was found"));
        return false;
    }
    if (dataLines_ == 0) {
        problem = EngineText::of(QT_TRANSLATE_NOOP("Engine", "the file holds no data lines"));
        return false;
    }
    return true;
}
