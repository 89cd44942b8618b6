// Step, reference and option parsing for the score reader.
#include "score_steps.h"

#include <cctype>
#include <cstdlib>

namespace songgen {

bool parse_int(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < -100000 || v > 100000) return false;
    value = static_cast<int>(v);
    return true;
}

bool parse_double(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0';
}

bool split_option(const std::string& token, std::string& key, std::string& value) {
    size_t eq = token.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    key = token.substr(0, eq);
    value = token.substr(eq + 1);
    return true;
}

int effect_number(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return 10 + (c - 'A');
    return -1;
}

int note_number(const std::string& name) {
    static const int semis[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.size() != 3 || name[0] < 'A' || name[0] > 'G') return 0;
    int semi = semis[name[0] - 'A'];
    if (name[1] == '#') semi += 1;
    else if (name[1] != '-') return 0;
    if (name[2] < '0' || name[2] > '7') return 0;
    int n = (name[2] - '0') * 12 + semi + 1;
    return n <= 96 ? n : 0;
}

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return 10 + (c - 'A');
    if (c >= 'a' && c <= 'f') return 10 + (c - 'a');
    return -1;
}

// Reads the optional parts after the note: vNN, !EPP, @name.
bool parse_parts(const std::string& token, size_t pos, Step& step, std::string& error) {
    while (pos < token.size()) {
        char kind = token[pos++];
        size_t end = pos;
        while (end < token.size() && token[end] != 'v' && token[end] != '!' && token[end] != '@') ++end;
        if (kind == '@') {
            end = token.size();  // instrument names run to the end of the token
        }
        std::string body = token.substr(pos, end - pos);
        if (kind == 'v') {
            if (!parse_int(body, step.volume) || step.volume < 0 || step.volume > 64) {
                error = "bad volume in step '" + token + "'";
                return false;
            }
        } else if (kind == '!') {
            int hi = body.size() == 3 ? hex_digit(body[1]) : -1;
            int lo = body.size() == 3 ? hex_digit(body[2]) : -1;
            step.effect = body.empty() ? -1 : effect_number(body[0]);
            if (step.effect < 0 || hi < 0 || lo < 0) {
                error = "bad effect in step '" + token + "'";
                return false;
            }
            step.param = hi * 16 + lo;
        } else if (kind == '@') {
            if (body.empty()) {
                error = "missing instrument name in step '" + token + "'";
                return false;
            }
            step.instrument = body;
        } else {
            error = "unexpected '" + std::string(1, kind) + "' in step '" + token + "'";
            return false;
        }
        pos = end;
    }
    return true;
}

}  // namespace

bool parse_step(const std::string& token, std::vector<Step>& out, std::string& error) {
    if (token == ".") {
        out.push_back(Step{});
        return true;
    }
    if (token.size() > 1 && token[0] == '.') {
        int n = 0;
        if (!parse_int(token.substr(1), n) || n < 1 || n > 256) {
            error = "bad rest '" + token + "'";
            return false;
        }
        out.insert(out.end(), static_cast<size_t>(n), Step{});
        return true;
    }
    Step step;
    size_t pos = 0;
    if (token.compare(0, 3, "off") == 0) {
        step.note = 97;
        pos = 3;
    } else if (token.compare(0, 3, "---") == 0) {
        pos = 3;
    } else {
        step.note = note_number(token.substr(0, 3));
        if (step.note == 0) {
            error = "bad note in step '" + token + "'";
            return false;
        }
        pos = 3;
    }
    if (!parse_parts(token, pos, step, error)) return false;
    out.push_back(step);
    return true;
}

bool parse_ref(const std::string& token, PhraseRef& ref, std::string& error) {
    ref = PhraseRef{};
    if (!token.empty() && token[0] == '~') {
        if (!parse_int(token.substr(1), ref.rest_rows) || ref.rest_rows < 1 || ref.rest_rows > 256) {
            error = "bad rest '" + token + "'";
            return false;
        }
        return true;
    }
    size_t pos = 0;
    while (pos < token.size() && (std::isalnum(static_cast<unsigned char>(token[pos])) || token[pos] == '_')) ++pos;
    ref.name = token.substr(0, pos);
    if (ref.name.empty()) {
        error = "bad phrase reference '" + token + "'";
        return false;
    }
    while (pos < token.size()) {
        char kind = token[pos];
        size_t end = pos + 1;
        while (end < token.size() && std::isdigit(static_cast<unsigned char>(token[end]))) ++end;
        std::string digits = token.substr(pos + 1, end - pos - 1);
        int v = 0;
        bool ok = parse_int(digits, v);
        if (kind == '+' || kind == '-') {
            ref.transpose = kind == '-' ? -v : v;
            ok = ok && v <= 96;
        } else if (kind == '>') {
            ref.rotate = v;
            ok = ok && v <= 256;
        } else if (kind == '%') {
            ref.volume_pct = v;
            ok = ok && v <= 400;
        } else if (kind == '*') {
            ref.repeat = v;
            ok = ok && v >= 1 && v <= 256;
        } else {
            ok = false;
        }
        if (!ok) {
            error = "bad modifier in phrase reference '" + token + "'";
            return false;
        }
        pos = end;
    }
    return true;
}

}  // namespace songgen
