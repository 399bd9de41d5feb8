#pragma once

#include <QByteArray>
#include <QString>

class QPrinter;
class QPrintDialog;
class QWidget;

// ---- measurements ------------------------------------------------------------------------------
// Lengths are held in twips (1440 an inch) and shown in the user's unit: 0 inches (shown as '"'),
// 1 centimetres, 2 points, 3 picas, 4 to 6 inches under their other names. The current unit is
// shared by every measurement field.
int CurrentMeasureUnit();
void SetCurrentMeasureUnit(int index);
// The unit of the user's locale: inches where the US system is used, else centimetres.
int LocaleMeasureUnit();
// "2 cm", "1.5", "3inches" -> twips, rounded half away from zero; a named unit becomes current.
// False for an empty text, an unknown name or a number beyond any length.
bool ParseMeasurement(const QString& text, int& twips);
// Twips in the current unit with at most `decimals` decimals, trailing zeros dropped: "2.5\"", "6.35 cm".
QString FormatMeasurement(int twips, int decimals = 2);

// ---- printing ----------------------------------------------------------------------------------
// What the match log prints with: section "CBgMatchLogView".
struct CMatchLogPrintSettings {
    static constexpr char kSection[] = "CBgMatchLogView";
    static constexpr int kGap = 720; // between columns, twips
    static constexpr char kImageWidthName[] = "Printed Image Width";
    static constexpr char kColumnsName[] = "Columns To Print";
    int imageWidth = 3600;           // "Printed Image Width", twips
    int columns = 1;                 // "Columns To Print"
    int left = 1440, top = 1440, right = 1440, bottom = 1440; // margins, twips

    static CMatchLogPrintSettings Load();
    void Save() const;
    // Empty when the settings can print; else what is wrong with them, for the user.
    QString Check() const;
};

// Lays RTF out on the printer's pages in columns, with "Page %d" centred at the foot of each page.
// -> the number of pages printed; 0 with *error set when the paper leaves no room for a column or
// the printer cannot be opened.
int PrintRtfInColumns(QPrinter* printer, const QByteArray& rtf, const CMatchLogPrintSettings& settings, int columns,
                      QString* error);

// The print dialog with its selection choice named "Current po&sition"; the whole match is chosen at
// first, as Ctrl+P users expect.
void PrepareMatchLogPrintDialog(QPrintDialog& dialog);
