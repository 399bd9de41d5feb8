#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// The appearance of one board item.
struct CBgSchemeElement {
    qint32 textured = 0;   // 1: drawn with the texture file
    qint32 tinted = 0;     // 1: the texture is coloured with color1 and color2
    quint32 color1 = 0;    // COLORREF 0x00BBGGRR: fill colour or first tint
    quint32 color2 = 0;    // second tint
    quint32 outline = 0;   // 0xFFFFFFFF: no outline
    quint32 highlight = 0; // 0xFFFFFFFF: none; the spots of the two-dimensional dice
    QString texture;       // file name in res/textures ("marble.bmp"), empty for none

    bool IsEqual(const CBgSchemeElement& other) const;
};

// A complete board appearance, stored as one line of text per scheme in the settings ("BgColorPrefs%d"
// sections, one per scheme set). Reading a text never fails: what it does not reach, or cannot read,
// keeps the value the record held.
class CBgColorScheme {
public:
    enum Item {
        kCheckerSet1,
        kCheckerSet2,
        kBoardFrame,
        kPoints1,
        kPoints2,
        kBoard,
        kBackground, // three-dimensional board only
        kPockets,
        kDice1,
        kDice2,
        kItemCount
    };

    // Scheme sets: the two- and three-dimensional screen boards and the printed board.
    static constexpr int kSet2D = 0;
    static constexpr int kSet3D = 2;
    static constexpr int kSetPrint = 10;

    static constexpr char kCurrent[] = "(Current)";
    static constexpr char kDefault[] = "Default";

    // The defaults of a new record (style 2), touching no settings.
    CBgColorScheme();
    // style -1 takes "BgColorPrefs"/"nStyle" (default 0). Without a text the record loads the "(Current)"
    // scheme of that style's set, with one it reads the text; the style is then the (resolved) argument.
    explicit CBgColorScheme(int style, const std::optional<QString>& text = std::nullopt);

    void ParseText(const QString& text);
    QString WriteText() const;

    // A named scheme of a set, with fallbacks to the set's "(Current)", its "Default", and a built-in text.
    void Load(int set, const QString& name);
    // "(Current)" goes to both trees, any other name to "MOST_RECENT" only.
    void Save(int set, const QString& name) const;
    // Removes a named scheme from both trees; "(Current)" and "Default" are kept.
    static void DeleteNamed(int set, const QString& name);

    bool IsEqual(const CBgColorScheme& other) const;

    static QString SchemeSection(int set);    // "BgColorPrefs%d"
    static QString DirectorySection(int set); // "BgColorPrefsDir%d"

    qint32 m_version = 6;
    CBgSchemeElement m_elements[kItemCount];
    quint32 m_colorA = 16777215;
    quint32 m_colorB = 0;
    quint32 m_labelColor = 16777215;
    QString m_labelFace = QStringLiteral("Arial");
    qint32 m_labelWeight = 700;
    quint8 m_labelItalic = 0;
    qint32 m_style = 2;
};

// The lenient token readers of the text form; pos moves past what was read. An integer that does not
// start (after blanks and an optional '-') with a digit moves pos to the end and stores nothing.
// A string is stored only when its closing quote comes within 511 characters.
void ReadSchemeInt(const QString& text, qsizetype& pos, qint32& value);
void ReadSchemeUInt(const QString& text, qsizetype& pos, quint32& value);
void ReadSchemeString(const QString& text, qsizetype& pos, QString& value);

// One row of the built-in scheme table.
struct BgBuiltInScheme {
    int set;
    const char* name;
    const char* text;
};
// The 41 rows installed into the settings, in installation order.
const BgBuiltInScheme* BuiltInSchemes(int* count);
// The built-in text of a set's named row, or empty.
QString BuiltInSchemeText(int set, const QString& name);

// Whether this client can draw a three-dimensional board: 0 yes, 1 processor too old, 2 processor slow
// (the user may go on), 3 not supported here, 4 too few colours. This client draws two-dimensional
// boards only.
int Check3DCapability();

// Whether the processor multiplies fast enough for a three-dimensional board: the rating (thousands
// of double multiplications per second over 500, the best of five short passes) is kept as
// "OpenGL"/"mFlops" and measured only while none is stored; true from 11. It holds the calling
// thread for some tens of milliseconds, so only a caller that needs the answer runs it.
bool MeasureFloatingPointSpeed();
// One measurement, touching no settings: multiplications per millisecond, the best of passes runs
// of periodMs milliseconds each.
long MeasureMultiplicationRate(int passes = 5, int periodMs = 5);

// Installs the built-in table on the first start (and after an older store), carrying the user's
// chosen scheme over, then makes the screen board two-dimensional when three dimensions cannot be
// drawn. Called at every start before any board is shown; the check is replaceable for tests.
void InitColorSchemeStore(const std::function<int()>& check3D = Check3DCapability);
