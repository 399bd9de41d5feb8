#include "lobby/UserListLayout.h"

#include "platform/Color.h"
#include "support/SettingsStore.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr int kMaxWidth = 10000;

const QString kVersion = QStringLiteral("nVersion");
const QString kInformationV4 = QStringLiteral("Column InformationV4");
const QString kIndicesV4 = QStringLiteral("Column IndicesV4");
const QString kInformationV5 = QStringLiteral("Column InformationV5");
const QString kIndicesV5 = QStringLiteral("Column IndicesV5");
const QString kSortingV5 = QStringLiteral("Column SortingV5");
const QString kMoveClubColumn = QStringLiteral("MoveClubColumn");

// Reads blank-separated integers in order until one does not parse.
class NumberReader {
public:
    explicit NumberReader(const QString& text) : m_words(text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {}
    bool Next(int& value) {
        if (m_next >= m_words.size())
            return false;
        bool ok = false;
        const int number = m_words[m_next].toInt(&ok);
        if (!ok) {
            m_next = m_words.size();
            return false;
        }
        ++m_next;
        value = number;
        return true;
    }

private:
    QStringList m_words;
    qsizetype m_next = 0;
};

template <class Row> void AppendNumbers(QString& text, const Row& row) {
    for (const int value : row) {
        text += QString::number(value);
        text += QLatin1Char(' ');
    }
}

bool Clamp(int& value, int low, int high) {
    const int clamped = std::clamp(value, low, high);
    const bool changed = clamped != value;
    value = clamped;
    return changed;
}

} // namespace

CUserListLayout::CUserListLayout() {
    for (int i = 0; i < kColumns; ++i)
        order[i] = i;
}

QString CUserListLayout::InformationText() const {
    QString text;
    for (int column = 0; column < kColumns; ++column) {
        AppendNumbers(text, std::array<int, 3>{shown[column], width[column], alignment[column]});
    }
    return text;
}

QString CUserListLayout::SortingText() const {
    QString text = QString::number(sortColumn) + QLatin1Char(' ');
    AppendNumbers(text, ascending);
    return text;
}

QString CUserListLayout::IndicesText() const {
    QString text;
    AppendNumbers(text, order);
    return text;
}

void CUserListLayout::ReadInformation(const QString& text, int count) {
    NumberReader reader(text);
    for (int column = 0; column < std::min(count, kColumns); ++column) {
        if (!reader.Next(shown[column]) || !reader.Next(width[column]) || !reader.Next(alignment[column]))
            return;
    }
}

void CUserListLayout::ReadSorting(const QString& text) {
    NumberReader reader(text);
    if (!reader.Next(sortColumn))
        return;
    for (int& direction : ascending) {
        if (!reader.Next(direction))
            return;
    }
}

void CUserListLayout::ReadIndices(const QString& text, int count) {
    NumberReader reader(text);
    for (int place = 0; place < std::min(count, kColumns); ++place) {
        if (!reader.Next(order[place]))
            return;
    }
}

bool CUserListLayout::Repair(const CUserListLayout& fallback) {
    bool changed = false;
    std::array<bool, kColumns> placed{};
    Row repaired{};
    int used = 0;
    for (const int column : order) {
        if (UserListColumn::IsValid(column) && !placed[column]) {
            placed[column] = true;
            repaired[used++] = column;
        }
    }
    changed = used != kColumns;
    for (const int column : fallback.order) {
        if (UserListColumn::IsValid(column) && !placed[column]) {
            placed[column] = true;
            repaired[used++] = column;
        }
    }
    for (int column = 0; column < kColumns && used < kColumns; ++column) {
        if (!placed[column]) {
            placed[column] = true;
            repaired[used++] = column;
        }
    }
    order = repaired;

    if (!UserListColumn::IsValid(sortColumn)) {
        sortColumn = UserListColumn::IsValid(fallback.sortColumn) ? fallback.sortColumn : 0;
        changed = true;
    }
    bool anyShown = false;
    for (int column = 0; column < kColumns; ++column) {
        changed |= Clamp(width[column], 0, kMaxWidth);
        changed |= Clamp(shown[column], 0, 1);
        changed |= Clamp(ascending[column], 0, 1);
        if (alignment[column] != UserListAlign::Left && alignment[column] != UserListAlign::Centre &&
            alignment[column] != UserListAlign::Right) {
            alignment[column] = UserListAlign::Left;
            changed = true;
        }
        anyShown |= shown[column] != 0;
    }
    // A list without a single column could never be put right from the list itself.
    if (!anyShown) {
        shown[UserListColumn::Nickname] = 1;
        changed = true;
    }
    return changed;
}

std::vector<int> CUserListLayout::ShownInOrder() const {
    std::vector<int> columns;
    for (const int column : order) {
        if (UserListColumn::IsValid(column) && shown[column])
            columns.push_back(column);
    }
    return columns;
}

QString MoveClubColumn(const QString& indices) {
    const QStringList words = indices.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const bool hasThree = words.contains(QStringLiteral("3"));
    const QString club = QStringLiteral("14 ");
    QString text;
    bool placed = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (word == QLatin1String("3")) {
            text += QStringLiteral("3 ") + club;
            placed = true;
        } else if (word == QLatin1String("14")) {
            continue;
        } else if (!hasThree && i == 3) {
            text += word + QLatin1Char(' ') + club;
            placed = true;
        } else {
            text += word + QLatin1Char(' ');
        }
    }
    if (!placed)
        text += club;
    return text;
}

bool IsIndicesTextValid(const QString& indices) {
    QString text = indices;
    text.remove(QStringLiteral("10"));
    return text.contains(QLatin1Char('0'));
}

platform::COLORREF MakeWatermarkColour(platform::COLORREF background) {
    int components[3] = {platform::GetRValue(background), platform::GetGValue(background),
                         platform::GetBValue(background)};
    const bool dark =
        std::none_of(std::begin(components), std::end(components), [](int c) { return c > 96; });
    for (int& c : components) {
        if (dark)
            c += c > 64 ? 32 : 64;
        else if (c > 96)
            c -= c < 128 ? 32 : 16;
    }
    return platform::RGB(components[0], components[1], components[2]);
}

CUserListLayoutLoad LoadUserListLayout(CSettingsStore& settings, const QString& section,
                                       CUserListLayout& layout, const CUserListLayout& defaults) {
    const bool version4 = settings.GetIntEx(section, kVersion, 5) == 4;
    const int count = version4 ? 14 : 15;
    const QString information = settings.GetString(section, version4 ? kInformationV4 : kInformationV5);
    // Without a stored order the list keeps the order it has (its defaults); the one-time club rule
    // is for orders stored before the club column existed.
    QString indices = settings.GetString(section, version4 ? kIndicesV4 : kIndicesV5);
    if (settings.GetBool(section, kMoveClubColumn, true)) {
        if (!indices.isEmpty())
            indices = MoveClubColumn(indices);
        settings.WriteInt(section, kMoveClubColumn, 0);
    }
    if (!information.isEmpty())
        layout.ReadInformation(information, count);
    // Play preferences are never shown, whatever was stored.
    layout.shown[UserListColumn::PlayPreferences] = 0;
    if (!indices.isEmpty())
        layout.ReadIndices(indices, count);
    layout.ReadSorting(settings.GetString(section, kSortingV5, layout.SortingText()));

    CUserListLayoutLoad result;
    result.needsDefaults = !indices.isEmpty() && !IsIndicesTextValid(indices);
    layout.Repair(defaults);
    return result;
}

void SaveUserListLayout(CSettingsStore& settings, const QString& section, const CUserListLayout& layout) {
    settings.WriteInt(section, kVersion, 5);
    settings.WriteString(section, kInformationV5, layout.InformationText());
    settings.WriteString(section, kSortingV5, layout.SortingText());
    settings.WriteString(section, kIndicesV5, layout.IndicesText());
}
