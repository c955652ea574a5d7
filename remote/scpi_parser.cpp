#include "scpi_command.h"
#include "scpi_errors.h"

#include "field_texts.h"

#include <QString>

#include <algorithm>
#include <cctype>

namespace vistrel::remote {

namespace {

struct HeaderForm {
    const char *path;  // mnemonics joined by ':', capitals the short form, [...] optional
    bool query;
    Header header;
};

const HeaderForm kHeaders[] = {
    {"*IDN", true, Header::Identify},           {"*RST", false, Header::Reset},
    {"*CLS", false, Header::ClearStatus},       {"*OPC", true, Header::OperationComplete},
    {"SYSTem:ERRor[:NEXT]", true, Header::NextError},
    {"DEVice:LIST", true, Header::DeviceList},  {"DEVice:OPEN", false, Header::DeviceOpen},
    {"DEVice:CLOSe", false, Header::DeviceClose}, {"DEVice:STATe", true, Header::DeviceState},
    {"DRIVe:SET", false, Header::DriveSet},     {"RATE", false, Header::Rate},
    {"RATE", true, Header::RateQuery},          {"PATTern:SHOW", false, Header::PatternShow},
    {"PATTern:OFF", false, Header::PatternOff}, {"PATTern", true, Header::PatternQuery},
    {"PICTure:SHOW", false, Header::PictureShow}, {"VIDeo:PLAY", false, Header::VideoPlay},
    {"VIDeo:STATe", true, Header::VideoState},  {"DISPlay:STOP", false, Header::DisplayStop},
    {"DISPlay:STATe", true, Header::DisplayState},
};

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return out;
}

std::string remotePatternName(const std::string &name)
{
    std::string out = upper(name);
    out.erase(std::remove(out.begin(), out.end(), '-'), out.end());
    return out;
}

// A keyword matches its short form (the capitals) or its long form, in any case.
bool keywordMatches(std::string_view form, std::string_view word)
{
    std::string shortForm;
    for (const char c : form) {
        if (std::isupper(static_cast<unsigned char>(c)) || c == '*')
            shortForm += c;
    }
    const std::string given = upper(word);
    return given == upper(form) || given == shortForm;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// The form's mnemonics, and whether the last is optional ("[:NEXT]").
bool headerMatches(std::string form, const std::vector<std::string_view> &words)
{
    const std::size_t bracket = form.find('[');
    const bool optionalTail = bracket != std::string::npos;
    if (optionalTail)
        form = form.substr(0, bracket) + form.substr(bracket + 1, form.size() - bracket - 2);
    std::vector<std::string_view> mnemonics = split(form, ':');
    const auto matchesAll = [&words](const std::vector<std::string_view> &wanted) {
        if (wanted.size() != words.size())
            return false;
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            if (!keywordMatches(wanted[i], words[i]))
                return false;
        }
        return true;
    };
    if (matchesAll(mnemonics))
        return true;
    if (!optionalTail)
        return false;
    mnemonics.pop_back();
    return matchesAll(mnemonics);
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

struct Parameter {
    std::string text;
    bool quoted = false;
};

// Parameters split at commas outside quotes; "" inside quotes is one quote.
// Nothing when a quote is left open, text follows a closing quote or a
// parameter is empty.
std::optional<std::vector<Parameter>> splitParameters(std::string_view text)
{
    std::vector<Parameter> parameters;
    if (trimmed(text).empty())
        return parameters;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        Parameter parameter;
        if (i < text.size() && text[i] == '"') {
            parameter.quoted = true;
            for (++i;; ++i) {
                if (i >= text.size())
                    return std::nullopt;
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        parameter.text += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                parameter.text += text[i];
            }
            const std::size_t comma = text.find(',', i);
            if (!trimmed(text.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i)).empty())
                return std::nullopt;
            i = comma;
        } else {
            const std::size_t comma = text.find(',', i);
            parameter.text = std::string(trimmed(text.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i)));
            if (parameter.text.empty() || parameter.text.find('"') != std::string::npos)
                return std::nullopt;
            i = comma;
        }
        parameters.push_back(std::move(parameter));
        if (i == std::string_view::npos)
            return parameters;
        ++i;  // past the comma
    }
}

// Hand-written rather than std::regex, whose matcher recurses per character
// and would exhaust the stack on a 64 KiB line.
std::size_t digitsFrom(const std::string &text, std::size_t i)
{
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    return i;
}

// [+-] digits [. digits] [e [+-] digits], at least one digit before the exponent.
bool looksNumeric(const std::string &text)
{
    std::size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    const std::size_t whole = digitsFrom(text, i);
    std::size_t end = whole;
    if (end < text.size() && text[end] == '.')
        end = digitsFrom(text, end + 1);
    if (end - i == 0 || (end - i == 1 && whole == i))
        return false;  // no digit at all
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        end = digitsFrom(text, exponent);
        if (end == exponent)
            return false;
    }
    return end == text.size();
}

bool isWholeNumber(const std::string &text)
{
    const std::size_t first = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    return digitsFrom(text, first) == text.size() && text.size() > first && text.size() - first <= 18;
}

// As vistrelctl's gamma=: digits, and a fraction with at least one digit.
bool isPlainDecimal(const std::string &text)
{
    const std::size_t whole = digitsFrom(text, 0);
    if (whole == 0)
        return false;
    if (whole == text.size())
        return true;
    return text[whole] == '.' && whole + 1 < text.size() && digitsFrom(text, whole + 1) == text.size();
}

// The result of a parameter check: 0 or an error code.
using Check = int;

Check countParameters(const std::vector<Parameter> &parameters, std::size_t least, std::size_t most)
{
    if (parameters.size() < least)
        return MissingParameter;
    if (parameters.size() > most)
        return ParameterNotAllowed;
    return NoError;
}

Check frameRate(const Parameter &parameter, std::optional<int> &fps)
{
    if (parameter.quoted)
        return SyntaxError;
    if (!session::isCompleteValue(session::FieldRule::FrameRate, QString::fromStdString(parameter.text)))
        return DataOutOfRange;
    fps = std::stoi(parameter.text);
    return NoError;
}

Check driveSet(const std::vector<Parameter> &parameters, Command &command)
{
    if (const Check count = countParameters(parameters, 7, 8))
        return count;
    using session::FieldRule;
    const FieldRule rules[] = {FieldRule::TenVolts, FieldRule::TenVolts, FieldRule::TwentyVolts, FieldRule::TwentyVolts,
                               FieldRule::TenVolts, FieldRule::TenVolts, FieldRule::TenVolts};
    for (const Parameter &parameter : parameters) {
        if (parameter.quoted || !looksNumeric(parameter.text))
            return SyntaxError;
    }
    for (std::size_t i = 0; i < 7; ++i) {
        if (!session::isCompleteValue(rules[i], QString::fromStdString(parameters[i].text)))
            return DataOutOfRange;
        command.numbers.push_back(parameters[i].text);
    }
    if (parameters.size() == 8) {
        const std::string &gamma = parameters[7].text;
        if (!isPlainDecimal(gamma) || gamma.size() > 24 || std::stod(gamma) <= 0 || std::stod(gamma) > 10)
            return DataOutOfRange;
        command.numbers.push_back(gamma);
    }
    return NoError;
}

// The pattern table's name that a remote name stands for: the same in any
// case, dashes left out ("ALLON" for "all-on").
std::string tableName(const std::string &remote)
{
    for (const protocol::PatternDefinition &definition : protocol::patternDefinitions()) {
        if (remotePatternName(definition.name) == upper(remote))
            return definition.name;
    }
    return {};
}

Check patternError(protocol::PatternError error)
{
    switch (error) {
    case protocol::PatternError::None: return NoError;
    case protocol::PatternError::UnknownName: return IllegalParameterValue;
    case protocol::PatternError::MissingValue: return MissingParameter;
    case protocol::PatternError::ExtraValue: return ParameterNotAllowed;
    case protocol::PatternError::OutOfRange: return DataOutOfRange;
    }
    return IllegalParameterValue;
}

Check patternShow(const std::vector<Parameter> &parameters, Command &command)
{
    if (parameters.empty())
        return MissingParameter;
    if (parameters.front().quoted)
        return SyntaxError;
    const std::string name = tableName(parameters.front().text);
    if (name.empty())
        return IllegalParameterValue;
    std::vector<long long> values;
    for (std::size_t i = 1; i < parameters.size(); ++i) {
        if (parameters[i].quoted || !isWholeNumber(parameters[i].text))
            return SyntaxError;
        values.push_back(std::stoll(parameters[i].text));
    }
    const protocol::PatternCheck check = protocol::checkPattern(name, values);
    command.pattern = check.request;
    return patternError(check.error);
}

Check quotedText(const Parameter &parameter, std::string &text)
{
    if (!parameter.quoted)
        return SyntaxError;
    text = parameter.text;
    return NoError;
}

Check videoPlay(const std::vector<Parameter> &parameters, Command &command)
{
    if (const Check count = countParameters(parameters, 1, 3))
        return count;
    if (const Check file = quotedText(parameters[0], command.text))
        return file;
    if (parameters.size() > 1) {
        if (const Check rate = frameRate(parameters[1], command.fps))
            return rate;
    }
    if (parameters.size() > 2) {
        const std::string mode = upper(parameters[2].text);
        if (parameters[2].quoted || (mode != "ONCE" && mode != "LOOP"))
            return IllegalParameterValue;
        command.mode = mode == "LOOP" ? VideoMode::Loop : VideoMode::Once;
    }
    return NoError;
}

Check readParameters(const std::vector<Parameter> &parameters, Command &command)
{
    switch (command.header) {
    case Header::DeviceOpen:
        if (const Check count = countParameters(parameters, 0, 1))
            return count;
        return parameters.empty() ? NoError : quotedText(parameters[0], command.text);
    case Header::DriveSet: return driveSet(parameters, command);
    case Header::Rate:
        if (const Check count = countParameters(parameters, 1, 1))
            return count;
        return frameRate(parameters[0], command.fps);
    case Header::PatternShow: return patternShow(parameters, command);
    case Header::PictureShow:
        if (const Check count = countParameters(parameters, 1, 1))
            return count;
        return quotedText(parameters[0], command.text);
    case Header::VideoPlay: return videoPlay(parameters, command);
    default: return countParameters(parameters, 0, 0);
    }
}

ParseResult failed(int code)
{
    return {std::nullopt, code};
}

} // namespace

bool isQuery(Header header)
{
    for (const HeaderForm &form : kHeaders) {
        if (form.header == header)
            return form.query;
    }
    return false;
}

ParseResult parseLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    line = trimmed(line);
    if (line.empty())
        return {};
    const std::size_t blank = line.find_first_of(" \t");
    std::string_view header = line.substr(0, blank);
    const std::string_view rest = blank == std::string_view::npos ? std::string_view() : line.substr(blank);
    for (const char c : header) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '*' && c != ':' && c != '?')
            return failed(SyntaxError);
    }
    const bool query = header.back() == '?';
    if (query)
        header.remove_suffix(1);
    if (!header.empty() && header.front() == ':')
        header.remove_prefix(1);
    if (header.empty() || header.find('?') != std::string_view::npos)
        return failed(SyntaxError);
    const std::vector<std::string_view> words = split(header, ':');
    const auto form = std::find_if(std::begin(kHeaders), std::end(kHeaders), [&](const HeaderForm &candidate) {
        return candidate.query == query && headerMatches(candidate.path, words);
    });
    if (form == std::end(kHeaders))
        return failed(UndefinedHeader);
    const std::optional<std::vector<Parameter>> parameters = splitParameters(rest);
    if (!parameters)
        return failed(SyntaxError);
    Command command;
    command.header = form->header;
    if (const Check check = readParameters(*parameters, command))
        return failed(check);
    return {command, NoError};
}

std::string remotePatternText(const protocol::PatternRequest &pattern)
{
    std::string text = remotePatternName(pattern.name);
    for (const int value : pattern.values)
        text += ',' + std::to_string(value);
    return text;
}

const char *errorText(int code)
{
    switch (code) {
    case NoError: return "No error";
    case SyntaxError: return "Syntax error";
    case ParameterNotAllowed: return "Parameter not allowed";
    case MissingParameter: return "Missing parameter";
    case UndefinedHeader: return "Undefined header";
    case SettingsConflict: return "Settings conflict";
    case DataOutOfRange: return "Data out of range";
    case IllegalParameterValue: return "Illegal parameter value";
    case HardwareError: return "Hardware error";
    case HardwareMissing: return "Hardware missing";
    case FileNameNotFound: return "File name not found";
    case FileNameError: return "File name error";
    case QueueOverflow: return "Queue overflow";
    case InputBufferOverrun: return "Input buffer overrun";
    default: return "Unknown error";
    }
}

} // namespace vistrel::remote
