#pragma once
// Label text as the window lays it out: the font a game's Setup names and
// where word wrapping breaks its lines. Shared by the window and by the
// author tools, so that what lint says fits is what the player shows.
// Needs a QGuiApplication (the font database).

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

namespace parvel::render {

// The labels' font: `family` (as scripts write it, Windows-1252) when the
// system has it, else the sans-serif face the system matches it to; `points`
// (8 when not above 0).
QFont labelFont(std::string_view family, double points);

// The lines a word-wrapped plain-text label of `width` pixels in `font`
// shows `text` in, breaking as QLabel does; trailing spaces dropped.
QStringList wrappedLines(const QString& text, const QFont& font, int width);

// A caption as a label shows it: script bytes (Windows-1252), where CR,
// LF and CR LF each break the line.
QString labelText(std::string_view caption);

struct LabelFit {
    int lines = 0;       // lines the text takes
    int shown = 0;       // lines the label shows down to their baseline
    bool exact = true;   // false: `lines` is an estimate (text far longer than shown)
};

// Fits captions into labels of one font. Texts near what a label holds are
// laid out exactly as the window lays them out; a text many times longer is
// only estimated from its letters' widths, as its verdict cannot change and
// laying it out costs far more.
class LabelMeasure {
public:
    explicit LabelMeasure(const QFont& font);
    // `caption` (as for labelText) in a label of `width` x `height` pixels.
    LabelFit fit(std::string_view caption, int width, int height);

private:
    qreal advance(QChar c);
    // Lines of a greedy wrap at spaces, from the letters' own widths; past
    // `enough` lines, extrapolated from the part wrapped.
    int estimatedLines(const QString& text, int width, int enough);

    QFont m_font;
    QFontMetricsF m_metrics;
    qreal m_latin[256] = {};  // advances of U+0000..U+00FF, 0 until measured
    QHash<char16_t, qreal> m_other;
};

// Makes the font database usable in a program without a window: an
// off-screen QGuiApplication, made once, on the calling (main) thread.
// False when another kind of application object already exists.
bool ensureFontDatabase();
// Whether fonts can be used: a QGuiApplication exists.
bool haveFontDatabase();

}  // namespace parvel::render
