#include "LabelText.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>

#include "TextCodec.h"

namespace parvel::render {

QFont labelFont(std::string_view family, double points) {
    QFont font(QString::fromStdString(cp1252ToUtf8(family)));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points > 0 ? points : 8.0);
    return font;
}

QString labelText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    size_t from = 0;
    for (size_t at = bytes.find('\r'); at != std::string_view::npos; at = bytes.find('\r', from)) {
        text.append(bytes, from, at - from);
        text.push_back('\n');
        from = at + 1 < bytes.size() && bytes[at + 1] == '\n' ? at + 2 : at + 1;
    }
    text.append(bytes, from);
    return QString::fromStdString(cp1252ToUtf8(text));
}

QStringList wrappedLines(const QString& text, const QFont& font, int width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        bool any = false;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            QString part = paragraph.mid(line.textStart(), line.textLength());
            while (part.endsWith(QLatin1Char(' '))) part.chop(1);
            lines << part;
            any = true;
        }
        layout.endLayout();
        if (!any) lines << QString();
    }
    return lines;
}

LabelMeasure::LabelMeasure(const QFont& font) : m_font(font), m_metrics(font) {}

qreal LabelMeasure::advance(QChar c) {
    const char16_t u = c.unicode();
    if (u < 256) {
        if (m_latin[u] == 0) m_latin[u] = std::max<qreal>(m_metrics.horizontalAdvance(c), 1e-3);
        return m_latin[u];
    }
    auto it = m_other.find(u);
    if (it == m_other.end()) it = m_other.insert(u, m_metrics.horizontalAdvance(c));
    return *it;
}

int LabelMeasure::estimatedLines(const QString& text, int width, int enough) {
    int lines = 0;
    qsizetype done = 0;  // characters of the paragraphs before this one
    for (const QStringView paragraph : QStringView(text).split(QLatin1Char('\n'))) {
        ++lines;
        qreal x = 0, word = 0, spaces = 0;
        for (qsizetype i = 0; i < paragraph.size(); ++i) {
            const QChar c = paragraph[i];
            if (c != QLatin1Char(' ')) {
                word += advance(c);
                continue;
            }
            if (word > 0) {
                if (x > 0 && x + spaces + word > width) {
                    // Far past the label: the rest goes as the start went.
                    if (++lines > enough) return static_cast<int>(lines * text.size() / (done + i + 1));
                    x = word;
                } else {
                    x += spaces + word;
                }
                word = spaces = 0;
            }
            spaces += advance(c);
        }
        if (word > 0 && x > 0 && x + spaces + word > width) ++lines;
        done += paragraph.size() + 1;
    }
    return lines;
}

LabelFit LabelMeasure::fit(std::string_view caption, int width, int height) {
    LabelFit fit;
    // Lines are a line spacing apart and the label cuts off what passes its
    // bottom: a line reads when its letters down to the baseline are inside.
    const QFontMetrics metrics(m_font);
    if (height >= metrics.ascent())
        fit.shown = (height - metrics.ascent()) / std::max(1, metrics.lineSpacing()) + 1;
    const QString text = labelText(caption);
    const int far = 2 * fit.shown + 2;
    const int estimate = estimatedLines(text, width, 2 * far);
    if (estimate > far) {
        fit.lines = estimate;
        fit.exact = false;
        return fit;
    }
    // Most texts are one short line; with room to spare for kerning, the
    // letters' widths tell that without a layout.
    if (!text.contains(QLatin1Char('\n'))) {
        qreal sum = 0;
        for (const QChar c : text) sum += advance(c);
        if (sum * 1.05 + 2 <= width) {
            fit.lines = 1;
            return fit;
        }
    }
    // Empty lines at the end take room no one sees.
    const QStringList lines = wrappedLines(text, m_font, width);
    fit.lines = static_cast<int>(lines.size());
    while (fit.lines > 0 && lines[fit.lines - 1].trimmed().isEmpty()) --fit.lines;
    return fit;
}

bool haveFontDatabase() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()); }

bool ensureFontDatabase() {
    if (QCoreApplication::instance()) return haveFontDatabase();
    // No display is wanted: the metrics are those of the fonts, not of a screen.
    static int argc = 3;
    static char name[] = "parvel", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    // Qt remarks on a missing XDG_RUNTIME_DIR as it starts; that is no
    // concern of a command-line tool.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context,
                                         const QString& message) {
        if (!message.startsWith(QLatin1String("QStandardPaths:")) && previous)
            previous(type, context, message);
    });
    // Kept for the life of the process: it must outlive every font object.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    qInstallMessageHandler(previous);
    return app != nullptr;
}

}  // namespace parvel::render
