#include "frame/PaneLayout.h"

#include <QStringList>

namespace {

constexpr QChar kOpen(0x01);
constexpr QChar kClose(0x02);
constexpr QChar kNext(0x03);
constexpr QChar kName(0x04);
constexpr QChar kValue(0x05);
constexpr int kMaxDepth = 16;

bool isControl(QChar ch) {
    return ch.unicode() >= 1 && ch.unicode() <= 5;
}

class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    std::optional<CPaneLayout> parseAll() {
        auto pane = parsePane(0);
        if (!pane || m_pos != m_text.size())
            return std::nullopt;
        return pane;
    }

private:
    QChar peek() const { return m_pos < m_text.size() ? m_text[m_pos] : QChar(); }

    QString readText() {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && !isControl(m_text[m_pos]))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    std::optional<CPaneLayout> parsePane(int depth) {
        if (depth > kMaxDepth)
            return std::nullopt;
        if (peek() == kOpen) {
            ++m_pos;
            const QChar orientation = peek();
            if (orientation != QLatin1Char('h') && orientation != QLatin1Char('v'))
                return std::nullopt;
            ++m_pos;
            std::vector<CPaneLayout> children;
            for (;;) {
                auto child = parsePane(depth + 1);
                if (!child)
                    return std::nullopt;
                children.push_back(std::move(*child));
                if (peek() == kNext) {
                    ++m_pos;
                    continue;
                }
                if (peek() == kClose) {
                    ++m_pos;
                    break;
                }
                return std::nullopt;
            }
            return CPaneLayout::MakeSplit(orientation == QLatin1Char('h'), std::move(children));
        }
        CPaneLayout leaf = CPaneLayout::MakeLeaf(readText());
        if (leaf.tag.isEmpty())
            return std::nullopt;
        while (peek() == kName) {
            ++m_pos;
            const QString name = readText();
            if (peek() != kValue)
                return std::nullopt;
            ++m_pos;
            leaf.settings.append({name, readText()});
        }
        return leaf;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

} // namespace

std::optional<CPaneLayout> CPaneLayout::Parse(const QString& text) {
    return Parser(text).parseAll();
}

QString CPaneLayout::Format() const {
    if (kind == Leaf) {
        QString out = tag;
        for (const auto& [name, value] : settings)
            out += kName + name + kValue + value;
        return out;
    }
    QString out = kOpen + QString(horizontal ? QLatin1Char('h') : QLatin1Char('v'));
    for (size_t i = 0; i < children.size(); ++i) {
        if (i > 0)
            out += kNext;
        out += children[i].Format();
    }
    return out + kClose;
}

QStringList CPaneLayout::Tags() const {
    if (kind == Leaf)
        return {tag};
    QStringList tags;
    for (const CPaneLayout& child : children)
        tags += child.Tags();
    return tags;
}

QString CPaneLayout::Setting(const QString& name) const {
    for (const auto& [key, value] : settings) {
        if (key == name)
            return value;
    }
    return QString();
}
