#include "platform/management/orderedjson.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace platform {

const JsonNode *JsonNode::member(const QString &name) const
{
    for (const auto &m : members)
        if (m.name == name)
            return &m.value;
    return nullptr;
}

namespace {

constexpr int kMaxDepth = 64;

class Parser {
public:
    explicit Parser(const QByteArray &text) : s_(text) {}

    JsonNode document()
    {
        JsonNode node = value(0);
        skipBlanks();
        if (pos_ != s_.size())
            fail("unexpected text after the document");
        return node;
    }

private:
    [[noreturn]] void fail(const char *what) const
    {
        throw std::runtime_error("invalid JSON at byte " + std::to_string(pos_) + ": " + what);
    }

    void skipBlanks()
    {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
            ++pos_;
    }

    bool consume(char c)
    {
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void expect(char c)
    {
        if (!consume(c))
            fail("unexpected character");
    }

    bool literal(const char *word)
    {
        const qsizetype n = qsizetype(std::char_traits<char>::length(word));
        if (s_.mid(pos_, n) == word) {
            pos_ += n;
            return true;
        }
        return false;
    }

    JsonNode value(int depth)
    {
        if (depth > kMaxDepth)
            fail("nesting too deep");
        skipBlanks();
        if (pos_ >= s_.size())
            fail("unexpected end");
        JsonNode node;
        const char c = s_[pos_];
        if (c == '{') {
            ++pos_;
            node.type = JsonNode::Type::Object;
            if (consume('}'))
                return node;
            do {
                skipBlanks();
                QString name = string();
                expect(':');
                node.members.push_back({std::move(name), value(depth + 1)});
            } while (consume(','));
            expect('}');
        } else if (c == '[') {
            ++pos_;
            node.type = JsonNode::Type::Array;
            if (consume(']'))
                return node;
            do {
                node.items.push_back(value(depth + 1));
            } while (consume(','));
            expect(']');
        } else if (c == '"') {
            node.type = JsonNode::Type::String;
            node.string = string();
        } else if (literal("true")) {
            node.type = JsonNode::Type::Boolean;
            node.boolean = true;
        } else if (literal("false")) {
            node.type = JsonNode::Type::Boolean;
        } else if (literal("null")) {
            node.type = JsonNode::Type::Null;
        } else {
            number(node);
        }
        return node;
    }

    void number(JsonNode &node)
    {
        const qsizetype start = pos_;
        bool whole = true;
        if (pos_ < s_.size() && s_[pos_] == '-')
            ++pos_;
        const qsizetype digits = pos_;
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c >= '0' && c <= '9') {
            } else if (c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-') {
                whole = false;
            } else {
                break;
            }
            ++pos_;
        }
        if (pos_ == digits)
            fail("expected a value");
        const QByteArray text = s_.mid(start, pos_ - start);
        bool ok = false;
        if (whole) {
            node.integer = text.toLongLong(&ok);
            node.type = JsonNode::Type::Integer;
        }
        if (!ok) {
            node.real = text.toDouble(&ok);
            node.type = JsonNode::Type::Real;
            if (!ok || !std::isfinite(node.real))
                fail("malformed number");
        }
    }

    unsigned hex4()
    {
        if (pos_ + 4 > s_.size())
            fail("short \\u escape");
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s_[pos_++];
            v <<= 4;
            if (c >= '0' && c <= '9') v |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f') v |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') v |= unsigned(c - 'A' + 10);
            else fail("bad \\u escape");
        }
        return v;
    }

    QString string()
    {
        if (pos_ >= s_.size() || s_[pos_] != '"')
            fail("expected a string");
        ++pos_;
        QByteArray utf8;
        QString out;
        auto flush = [&] {
            out += QString::fromUtf8(utf8);
            utf8.clear();
        };
        while (true) {
            if (pos_ >= s_.size())
                fail("unterminated string");
            const char c = s_[pos_++];
            if (c == '"')
                break;
            if (static_cast<unsigned char>(c) < 0x20)
                fail("control character in string");
            if (c != '\\') {
                utf8 += c;
                continue;
            }
            if (pos_ >= s_.size())
                fail("unterminated escape");
            const char e = s_[pos_++];
            switch (e) {
            case '"': utf8 += '"'; break;
            case '\\': utf8 += '\\'; break;
            case '/': utf8 += '/'; break;
            case 'b': utf8 += '\b'; break;
            case 'f': utf8 += '\f'; break;
            case 'n': utf8 += '\n'; break;
            case 'r': utf8 += '\r'; break;
            case 't': utf8 += '\t'; break;
            case 'u': {
                flush();
                out += QChar(char16_t(hex4()));
                break;
            }
            default: fail("unknown escape");
            }
        }
        flush();
        return out;
    }

    const QByteArray &s_;
    qsizetype pos_ = 0;
};

} // namespace

JsonNode parseJson(const QByteArray &text)
{
    return Parser(text).document();
}

QByteArray jsonQuoted(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    const char16_t *const begin = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const end = begin + text.size();
    for (const char16_t *at = begin; at != end; ++at) {
        const char16_t c = *at;
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            out += char(c);
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            // Control characters (C0, DEL, C1) are escaped so that no terminal acts on them; so is
            // a lone surrogate, which has no UTF-8 form.
            if (c < 0x20 || (c >= 0x7f && c < 0xa0) || QChar::isSurrogate(c)) {
                const bool pair = QChar::isHighSurrogate(c) && at + 1 != end && QChar::isLowSurrogate(at[1]);
                if (pair) {
                    out += QStringView(at, 2).toUtf8();
                    ++at;
                } else {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", unsigned(c));
                    out += buffer;
                }
            } else {
                out += QStringView(at, 1).toUtf8();
            }
        }
    }
    out += '"';
    return out;
}

} // namespace platform
