#include "UnusedFilesWindow.h"

#include <QElapsedTimer>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>

#include "Host.h"
#include "SceneTable.h"
#include "TextCodec.h"

#ifdef PARVEL_HAVE_RENDER
#include "BmpReader.h"
#endif

namespace parvel::ui {

namespace {

QString fromCp1252(std::string_view s) { return QString::fromStdString(cp1252ToUtf8(s)); }

// A null image when the file cannot be read as a picture.
QImage loadPicture(const std::string& path) {
#ifdef PARVEL_HAVE_RENDER
    auto image = render::readBmpFile(path);
    return image ? *image : QImage();
#else
    return QImage(QString::fromStdString(path), "BMP");
#endif
}

constexpr int kPreviewSide = 280;

}  // namespace

// Forwards one check's progress to the window while the window exists and
// no newer check has started. Listed names reach the lists in batches a few
// times a second: repainting a list for each of thousands of names would
// cost more than the whole scan.
class UnusedFilesWindow::Run : public filecheck::CheckFilesView {
public:
    explicit Run(UnusedFilesWindow* form) : m_form(form), m_generation(++form->m_generation) {}

    bool cancelled() const override {
        return !m_form || m_form->m_generation != m_generation;
    }
    void setStatus(const std::string& text) override {
        if (cancelled()) return;
        flush();
        m_form->Text1->setText(fromCp1252(text));
    }
    void addUnusedPicture(const filecheck::UnusedFile& f) override {
        m_pictures.push_back(f);
        flushWhenDue();
    }
    void addUnusedSound(const filecheck::UnusedFile& f) override {
        m_sounds.push_back(f);
        flushWhenDue();
    }
    void flush() {
        if (cancelled() || (m_pictures.empty() && m_sounds.empty())) return;
        m_sinceFlush.start();
        QStringList names;
        for (const auto& f : m_pictures) {
            names << fromCp1252(f.name);
            m_form->m_picturePaths.push_back(f.path);
        }
        if (!names.isEmpty()) m_form->List1->addItems(names);
        names.clear();
        for (const auto& f : m_sounds) names << fromCp1252(f.name);
        if (!names.isEmpty()) m_form->List2->addItems(names);
        m_pictures.clear();
        m_sounds.clear();
    }

private:
    static constexpr int kFlushMs = 100;
    void flushWhenDue() {
        if (!m_sinceFlush.isValid() || m_sinceFlush.elapsed() >= kFlushMs) flush();
    }

    QPointer<UnusedFilesWindow> m_form;
    std::uint64_t m_generation;
    std::vector<filecheck::UnusedFile> m_pictures, m_sounds;
    QElapsedTimer m_sinceFlush;
};

UnusedFilesWindow::UnusedFilesWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Unused Files..."));
    Text1 = new QLineEdit(QStringLiteral("Status: Idle"), this);
    Text1->setReadOnly(true);
    Label1 = new QLabel(QStringLiteral("Unused Images"), this);
    Label2 = new QLabel(QStringLiteral("Unused Sounds"), this);
    List1 = new QListWidget(this);
    List2 = new QListWidget(this);
    // Thousands of rows arrive one by one while events run; rows of one
    // height keep each relayout from measuring every row again.
    for (QListWidget* list : {List1, List2}) list->setUniformItemSizes(true);
    Image1 = new QLabel(this);
    Image1->setMinimumSize(kPreviewSide, kPreviewSide / 2);
    Image1->setAlignment(Qt::AlignCenter);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Text1, 0, 0, 1, 2);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(Label2, 1, 1);
    grid->addWidget(List1, 2, 0);
    grid->addWidget(List2, 2, 1);
    grid->addWidget(Image1, 3, 0, 1, 2);
    resize(420, 520);

    connect(List1, &QListWidget::itemClicked, this, &UnusedFilesWindow::List1_Click);
}

UnusedFilesWindow::~UnusedFilesWindow() = default;

void UnusedFilesWindow::clearLists() {
    List1->clear();
    List2->clear();
    m_picturePaths.clear();
}

filecheck::UnusedFiles UnusedFilesWindow::CheckFiles(const GameScript& game, SceneTable& table, Host& host) {
    Run run(this);
    // Copied: events run during the check, and may open another game.
    const GameScript checked = game;
    auto result = filecheck::CheckFiles(table, checked, host, &run);
    run.flush();
    return result;
}

void UnusedFilesWindow::List1_Click(QListWidgetItem* item) {
    const int row = item ? List1->row(item) : -1;
    if (row < 0 || row >= static_cast<int>(m_picturePaths.size())) return;
    const QImage image = loadPicture(m_picturePaths[static_cast<size_t>(row)]);
    if (image.isNull()) return;  // unreadable: keep showing the last picture
    QPixmap pixmap = QPixmap::fromImage(image);
    if (pixmap.width() > Image1->width() || pixmap.height() > Image1->height())
        pixmap = pixmap.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    Image1->setPixmap(pixmap);
}

}  // namespace parvel::ui
