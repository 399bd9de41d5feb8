// Board scheme texts as the settings hold them: read into a record that already holds values, then
// written and read again.

#include "FuzzTarget.h"

#include "prefs/BgColorScheme.h"

NORVALE_FUZZ_TARGET(scheme_text)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    // The first byte picks the record the text is read into: a new one or a built-in row.
    const uint8_t start = input.TakeByte();
    const QString text = QString::fromUtf8(input.TakeRest());

    CBgColorScheme scheme;
    int count = 0;
    const BgBuiltInScheme* rows = BuiltInSchemes(&count);
    if (start % 2)
        scheme.ParseText(QString::fromLatin1(rows[(start / 2) % count].text));
    const CBgColorScheme before = scheme;
    scheme.ParseText(text);
    const bool startsWithNumber = !text.isEmpty() && (text.front() == u' ' || text.front() == u'-' ||
                                                      (text.front() >= u'0' && text.front() <= u'9'));
    if (!startsWithNumber)
        fuzz::Check(scheme.IsEqual(before), "a text that starts with no number changed the record");

    // Whatever was read writes back to a text that reads to the same record, from any record.
    const QString written = scheme.WriteText();
    CBgColorScheme again;
    again.m_labelFace = QStringLiteral("other");
    again.m_elements[CBgColorScheme::kBackground].texture = QStringLiteral("other");
    again.ParseText(written);
    fuzz::Check(again.IsEqual(scheme), "a written scheme does not read back the same", written.left(200));
    fuzz::Check(again.WriteText() == written, "a scheme writes two different texts", written.left(200));
    fuzz::Check(scheme.m_labelFace.size() <= 511, "label face not bounded");
    for (const CBgSchemeElement& e : scheme.m_elements)
        fuzz::Check(e.texture.size() <= 511, "texture name not bounded");
}
