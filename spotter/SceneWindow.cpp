#include "SceneWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cmath>

#include "HeadlessHost.h"
#include "SceneTable.h"
#include "TextCodec.h"
#include "Vb.h"

namespace spotter {

using namespace parvel;
using parvel::render::FullFrameRect;

namespace {

constexpr int kTickMs = 83;  // the player's FAST frame delay
constexpr char kCaption[] = "X,Y Position Determiner";

QString fromScript(const std::string& bytes) { return QString::fromStdString(cp1252ToUtf8(bytes)); }

// Form text as script bytes; characters the code page lacks become "?".
std::string toScript(const QString& text) {
    std::string out;
    for (const QChar c : text) {
        auto b = utf8ToCp1252(QString(c).toStdString());
        out += b ? *b : "?";
    }
    return out;
}

// Scene names of a game, walking scenes (those with @X) first.
QStringList sceneNames(const QString& gameFile, int* walking) {
    HeadlessHost host;
    SceneTable table(host);
    GameScript game;
    game.path = gameFile.toStdString();
    table.LoadGameScript(game);
    QStringList walkers, others;
    for (int s = 1; s <= table.lastLoadCount(); ++s) {
        const std::string& name = table.name(s);
        auto x = table.readDirective(s, name, "@X");
        (x && !vb::Trim(*x).empty() ? walkers : others) << fromScript(name);
    }
    *walking = static_cast<int>(walkers.size());
    return walkers + others;
}

}  // namespace

SceneWindow::SceneWindow(const std::string& blkPath, QWidget* parent)
    : QMainWindow(parent),
      m_blkPath(blkPath),
      m_freeBackground({nullptr, nullptr, &m_reporter}),
      m_freeSprite({nullptr, nullptr, &m_reporter}) {
    setWindowTitle(kCaption);
    m_freeBackground.LoadBMP(blkPath);

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    auto* left = new QVBoxLayout;
    m_view = new SceneView;
    auto* scroll = new QScrollArea;
    scroll->setWidget(m_view);
    scroll->setWidgetResizable(false);
    scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setMinimumSize(420, 300);
    scroll->setFocusPolicy(Qt::NoFocus);
    left->addWidget(scroll, 1);
    m_walkLabel = new QLabel;
    m_walkLabel->setWordWrap(true);
    m_walkLabel->setMinimumHeight(40);
    m_walkLabel->setAccessibleName("Walk text");
    m_walkLabel->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    left->addWidget(m_walkLabel);
    auto* legend = new QLabel(
        "Ruler: hot spots with their Ctrl window (±5 px); standing places at the "
        "<span style='color:#40e040'>normal</span>, <span style='color:#e0e040'>+2</span> and "
        "<span style='color:#ff9020'>+5</span> sprite speed.");
    legend->setWordWrap(true);
    left->addWidget(legend);
    row->addLayout(left, 1);
    row->addWidget(buildPanel());
    setCentralWidget(central);
    buildMenus();
    statusBar();

    m_view->onMousePress = [this](QMouseEvent* e) { mousePress(e); };
    m_view->onMouseMove = [this](QMouseEvent* e) { mouseMove(e); };
    m_view->onMouseRelease = [this](QMouseEvent* e) { mouseRelease(e); };
    m_view->onKeyPress = [this](QKeyEvent* e) { keyPress(e); };
    m_view->onKeyRelease = [this](QKeyEvent* e) { keyRelease(e); };
    m_tick.setInterval(kTickMs);
    QObject::connect(&m_tick, &QTimer::timeout, this, [this] { tick(); });
    refresh();
    setZoom(2);
}

void SceneWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("Open &Scene…", QKeySequence::Open, this, [this] { openSceneDialog(); });
    file->addAction("Open &Background…", QKeySequence("Ctrl+B"), this, [this] {
        chooseBackground(QFileDialog::getOpenFileName(this, "Choose Background", {}, "*.bmp (*.bmp)"));
    });
    file->addAction("Open S&prite…", QKeySequence("Ctrl+P"), this, [this] {
        chooseSprite(QFileDialog::getOpenFileName(this, "Choose Sprite", {}, "*.bmp (*.bmp)"));
    });
    file->addSeparator();
    file->addAction("&Copy directives", QKeySequence("Ctrl+Shift+C"), this, [this] { copyDirectives(); });
    file->addAction("Save to sc&ript", QKeySequence::Save, this, [this] { saveToScript(); });
    file->addSeparator();
    file->addAction("&Quit", QKeySequence::Quit, this, [this] { close(); });

    QMenu* view = menuBar()->addMenu("&View");
    for (int z = 1; z <= 4; ++z) {
        m_zoomActions[static_cast<size_t>(z - 1)] = view->addAction(
            QString("Zoom &%1×").arg(z), QKeySequence(QString("Ctrl+%1").arg(z)), this,
            [this, z] { setZoom(z); });
        m_zoomActions[static_cast<size_t>(z - 1)]->setCheckable(true);
    }
    m_zoomActions[0]->setChecked(true);
    view->addSeparator();
    view->addAction("Classic &Position Determiner…", this, [this] {
        auto* classic = new SpotterWindow(m_blkPath);
        classic->setAttribute(Qt::WA_DeleteOnClose);
        classic->show();
    });

    QMenu* walk = menuBar()->addMenu("&Walk");
    m_rulesAction = walk->addAction("&Enciphered Rules", QKeySequence("Ctrl+E"), this,
                                    [this] { setEncipheredRules(!m_encipheredRules); });
    m_rulesAction->setCheckable(true);
    walk->addSeparator();
    const char* speeds[] = {"&Normal Speed", "Speed +&2", "Speed +&5"};
    for (int k = 0; k < 3; ++k) {
        const int bonus = kSpriteSpeedBonuses[k];
        m_speedActions[static_cast<size_t>(k)] = walk->addAction(speeds[k], this, [this, bonus] { setSpeedBonus(bonus); });
        m_speedActions[static_cast<size_t>(k)]->setCheckable(true);
    }
    m_speedActions[0]->setChecked(true);
    walk->addSeparator();
    walk->addAction("&Back to @X", QKeySequence("Home"), this, [this] { resetWalker(); });

    QMenu* spots = menuBar()->addMenu("&Hot Spots");
    spots->addAction("&Add Hot Spot", QKeySequence("Ctrl+Ins"), this, [this] { addSpot(); });
    spots->addAction("&Delete Hot Spot", QKeySequence("Ctrl+Del"), this, [this] { deleteSpot(); });
}

QWidget* SceneWindow::buildPanel() {
    auto* panel = new QWidget;
    panel->setFixedWidth(360);
    auto* col = new QVBoxLayout(panel);
    col->setContentsMargins(0, 0, 0, 0);

    auto named = [](QWidget* w, const char* name) {
        w->setAccessibleName(name);
        return w;
    };

    // What the tool always showed: the picture files and the pointer.
    auto* files = new QFormLayout;
    m_backgroundName = new QLineEdit("none");
    m_backgroundName->setReadOnly(true);
    m_spriteName = new QLineEdit("none");
    m_spriteName->setReadOnly(true);
    files->addRow("Background:", named(m_backgroundName, "Background file"));
    files->addRow("Sprite:", named(m_spriteName, "Sprite file"));
    auto* pointer = new QHBoxLayout;
    m_pointerX = new QLineEdit;
    m_pointerY = new QLineEdit;
    for (QLineEdit* e : {m_pointerX, m_pointerY}) {
        e->setReadOnly(true);
        e->setMaximumWidth(60);
    }
    auto* xLabel = new QLabel("X:");
    auto* yLabel = new QLabel("Y:");
    xLabel->setBuddy(m_pointerX);
    yLabel->setBuddy(m_pointerY);
    pointer->addWidget(xLabel);
    pointer->addWidget(named(m_pointerX, "Pointer X"));
    pointer->addWidget(yLabel);
    pointer->addWidget(named(m_pointerY, "Pointer Y"));
    pointer->addStretch();
    files->addRow(pointer);
    col->addLayout(files);

    auto* sprite = new QGroupBox("Sprite commands");
    auto* sf = new QFormLayout(sprite);
    m_x = new QSpinBox;
    m_y = new QSpinBox;
    m_xmove = new QSpinBox;
    for (QSpinBox* s : {m_x, m_y, m_xmove}) s->setRange(-9999, 9999);
    sf->addRow("@&X:", named(m_x, "@X, where the sprite starts"));
    sf->addRow("@&Y:", named(m_y, "@Y, the sprite's line"));
    sf->addRow("@x&move:", named(m_xmove, "@xmove, pixels per step"));
    col->addWidget(sprite);

    auto* spots = new QGroupBox("Hot spots");
    auto* sp = new QVBoxLayout(spots);
    m_spots = new QListWidget;
    m_spots->setMaximumHeight(82);
    sp->addWidget(named(m_spots, "Hot spots"));
    auto* buttons = new QHBoxLayout;
    m_add = new QPushButton("&Add");
    m_delete = new QPushButton("De&lete");
    m_add->setAccessibleName("Add hot spot");
    m_delete->setAccessibleName("Delete hot spot");
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    sp->addLayout(buttons);
    auto* form = new QFormLayout;
    m_spotX = new QSpinBox;
    m_spotX->setRange(-999, 9999);
    m_spotText = new QLineEdit;
    m_direction = new QComboBox;
    m_direction->addItems({"M", "L", "R"});
    m_direction->setToolTip("L blocks walking left, R blocks walking right, M blocks nothing");
    m_action = new QComboBox;
    m_action->addItems({"NO", "Y"});
    m_action->setToolTip("Y: taken only while Ctrl is held (plain games)");
    m_target = new QComboBox;
    m_target->setEditable(true);
    m_target->setToolTip("The scene it leads to; ! for none");
    form->addRow("&Place:", named(m_spotX, "Hot spot x"));
    form->addRow("&Text:", named(m_spotText, "Hot spot text"));
    form->addRow("&Direction:", named(m_direction, "Hot spot direction"));
    form->addRow("Act&ion:", named(m_action, "Hot spot action"));
    form->addRow("Tar&get:", named(m_target, "Hot spot target"));
    sp->addLayout(form);
    col->addWidget(spots);

    m_rulesBox = new QCheckBox("&Enciphered game's rules");
    m_rulesBox->setAccessibleName("Walk by the enciphered game's rules");
    col->addWidget(m_rulesBox);

    auto* warn = new QLabel("Warnings:");
    m_warningList = new QListWidget;
    m_warningList->setWordWrap(true);
    m_warningList->setMinimumHeight(70);
    warn->setBuddy(m_warningList);
    col->addWidget(warn);
    col->addWidget(named(m_warningList, "Warnings"), 1);

    auto* write = new QHBoxLayout;
    m_copy = new QPushButton("&Copy directives");
    m_save = new QPushButton("&Save to script");
    write->addWidget(m_copy);
    write->addWidget(m_save);
    col->addLayout(write);

    QObject::connect(m_add, &QPushButton::clicked, this, [this] { addSpot(); });
    QObject::connect(m_delete, &QPushButton::clicked, this, [this] { deleteSpot(); });
    QObject::connect(m_copy, &QPushButton::clicked, this, [this] { copyDirectives(); });
    QObject::connect(m_save, &QPushButton::clicked, this, [this] { saveToScript(); });
    QObject::connect(m_rulesBox, &QCheckBox::toggled, this, [this](bool on) { setEncipheredRules(on); });
    QObject::connect(m_spots, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_updating) selectSpot(row + 1);
    });
    auto sprite2 = [this] {
        if (m_updating || !m_scene) return;
        m_scene->walk.step = m_xmove->value();
        moveSprite(m_x->value(), m_y->value());
    };
    for (QSpinBox* s : {m_x, m_y, m_xmove})
        QObject::connect(s, &QSpinBox::valueChanged, this, sprite2);
    QObject::connect(m_spotX, &QSpinBox::valueChanged, this, [this] { applyForm(); });
    QObject::connect(m_spotText, &QLineEdit::textEdited, this, [this] { applyForm(); });
    QObject::connect(m_direction, &QComboBox::currentTextChanged, this, [this] { applyForm(); });
    QObject::connect(m_action, &QComboBox::currentTextChanged, this, [this] { applyForm(); });
    QObject::connect(m_target, &QComboBox::currentTextChanged, this, [this] { applyForm(); });
    return panel;
}

void SceneWindow::openSceneDialog() {
    const QString file = QFileDialog::getOpenFileName(this, "Open Scene", {},
                                                      "Game scripts (*.txt *.cgm *.Cgm *.CGM);;All files (*)");
    if (file.isEmpty()) return;
    int walking = 0;
    const QStringList names = sceneNames(file, &walking);
    if (names.isEmpty()) {
        tell("The file holds no scenes.");
        return;
    }
    bool ok = false;
    const QString scene = QInputDialog::getItem(this, "Open Scene",
                                                walking ? "Scene (walking scenes first):" : "Scene:",
                                                names, 0, false, &ok);
    if (ok) openScene(file, QByteArray::fromStdString(toScript(scene)));
}

QString SceneWindow::openScene(const QString& gameFile, const QByteArray& sceneName) {
    auto loaded = loadWalkingScene(gameFile.toStdString(), sceneName.toStdString());
    if (!loaded) {
        const QString why = QString::fromStdString(loaded.error().description);
        tell(why);
        return why;
    }
    m_tick.stop();
    m_scene = std::move(*loaded);
    m_selected = m_scene->spotCount > 0 ? 1 : 0;
    m_encipheredRules = m_scene->enciphered;
    setWindowTitle(fromScript(m_scene->sceneName) + " - " + kCaption);
    m_backgroundName->setText(fromScript(m_scene->sceneName) + " in " + QFileInfo(gameFile).fileName());
    m_spriteName->setText(m_scene->frames.empty() ? "none" : QString("%1 + %2 + %2 frames").arg(m_scene->walk.standing).arg(m_scene->walk.walking));
    m_updating = true;
    m_target->clear();
    m_target->addItem("!");
    int walking = 0;
    for (const QString& n : sceneNames(gameFile, &walking)) m_target->addItem(n);
    m_updating = false;
    resetWalker();
    return {};
}

void SceneWindow::chooseBackground(const QString& file) {
    if (file.isEmpty()) return;
    m_scene.reset();
    m_tick.stop();
    setWindowTitle(kCaption);
    m_backgroundName->setText(file);
    m_freeBackground.LoadBMP(file.toStdString());
    refresh();
}

void SceneWindow::chooseSprite(const QString& file) {
    if (file.isEmpty()) return;
    m_spriteName->setText(file);
    m_freeSprite.LoadBMP(file.toStdString());
    m_pointer = {50, 50};
    if (m_scene) {
        m_scene.reset();
        setWindowTitle(kCaption);
    }
    refresh();
}

WalkRules SceneWindow::rules() const {
    return m_encipheredRules ? WalkRules::Enciphered : WalkRules::Plain;
}

void SceneWindow::setZoom(int zoom) {
    zoom = std::clamp(zoom, 1, 4);
    for (int z = 1; z <= 4; ++z) m_zoomActions[static_cast<size_t>(z - 1)]->setChecked(z == zoom);
    m_view->setZoom(zoom);
}

void SceneWindow::setEncipheredRules(bool on) {
    m_encipheredRules = on;
    resetWalker();
}

void SceneWindow::setSpeedBonus(int bonus) {
    m_bonus = bonus;
    for (int k = 0; k < 3; ++k) m_speedActions[static_cast<size_t>(k)]->setChecked(kSpriteSpeedBonuses[k] == bonus);
}

void SceneWindow::resetWalker() {
    m_tick.stop();
    m_walker = WalkingSprite{};
    m_keys = WalkKeys{};
    m_counter = 0;
    m_entry = 1;
    m_leftBy = 0;
    m_walkText.clear();
    if (m_scene) {
        m_walker.on = true;
        m_walker.x = m_scene->walk.x;
        m_walker.y = m_scene->y;
        m_walker.step = m_scene->walk.step;
        m_walker.standing = m_scene->walk.standing;
        m_walker.walking = m_scene->walk.walking;
    }
    refresh();
}

void SceneWindow::selectSpot(int slot) {
    if (!m_scene || slot < 1 || slot > m_scene->spotCount) slot = 0;
    m_selected = slot;
    refresh();
}

void SceneWindow::moveSpot(int slot, int x) {
    if (!m_scene || slot < 1 || slot > m_scene->spotCount) return;
    m_scene->walk.spots[static_cast<size_t>(slot)].x = static_cast<std::int16_t>(std::clamp(x, -999, 9999));
    refresh();
}

void SceneWindow::addSpot() {
    if (!m_scene) return showMessage("Open a scene first (File ▸ Open Scene…).");
    if (m_scene->spotCount >= 4) return showMessage("A scene holds at most four hot spots.");
    HotSpot h;
    h.x = static_cast<std::int16_t>(vb::CLng(m_walker.x).value_or(0));
    h.target.assign(1, '!');  // (a literal here trips a false -Wrestrict in GCC 12)
    m_scene->walk.spots[static_cast<size_t>(++m_scene->spotCount)] = h;
    m_selected = m_scene->spotCount;
    refresh();
}

void SceneWindow::deleteSpot() {
    if (!m_scene || m_selected < 1) return;
    auto& spots = m_scene->walk.spots;
    for (int i = m_selected; i < 4; ++i) spots[static_cast<size_t>(i)] = spots[static_cast<size_t>(i + 1)];
    spots[4] = HotSpot{};
    --m_scene->spotCount;
    m_selected = std::min(m_selected, m_scene->spotCount);
    refresh();
}

void SceneWindow::moveSprite(int x, int y) {
    if (!m_scene) {
        m_pointer = {x, y};
        recompose();
        return;
    }
    m_scene->walk.x = x;
    m_scene->y = y;
    resetWalker();
}

void SceneWindow::applyForm() {
    if (m_updating || !m_scene || m_selected < 1) return;
    HotSpot& h = m_scene->walk.spots[static_cast<size_t>(m_selected)];
    h.x = static_cast<std::int16_t>(m_spotX->value());
    h.text = cleanSpotField(toScript(m_spotText->text()), "\"");
    h.direction = cleanSpotField(toScript(m_direction->currentText()), ",)\"");
    h.action = cleanSpotField(toScript(m_action->currentText()), ",)\"");
    h.target = cleanSpotField(toScript(m_target->currentText()), ")\"");
    refresh();
}

QString SceneWindow::spotLine(int i) const {
    const HotSpot& h = m_scene->walk.spots[static_cast<size_t>(i)];
    const bool ctrl = vb::UCase(h.action) == "Y";
    return QString("%1  x %2  %3%4  → %5  “%6”")
        .arg(i)
        .arg(h.x)
        .arg(fromScript(h.direction))
        .arg(ctrl ? "  Ctrl" : "")
        .arg(fromScript(h.target))
        .arg(fromScript(h.text));
}

void SceneWindow::refresh() {
    m_updating = true;
    m_places = {};
    m_warnings.clear();
    std::vector<SceneView::Spot> drawn;
    m_spots->clear();
    m_warningList->clear();
    const bool haveScene = m_scene.has_value();
    for (QWidget* w : std::initializer_list<QWidget*>{m_x, m_y, m_xmove, m_spots, m_add, m_delete, m_spotX, m_spotText,
                      m_direction, m_action, m_target, m_copy, m_save, m_rulesBox})
        w->setEnabled(haveScene);
    m_rulesBox->setChecked(m_encipheredRules);
    m_rulesAction->setChecked(m_encipheredRules);
    if (haveScene) {
        const WalkScene& walk = m_scene->walk;
        const double width = m_scene->background.isNull() ? 200 : m_scene->background.width();
        bool cut = false;
        for (size_t k = 0; k < 3; ++k) {
            WalkReach reach = exploreWalk(walk, kSpriteSpeedBonuses[k], rules(), -width, 2 * width);
            m_places[k] = std::move(reach.places);
            cut = cut || reach.cut;
        }
        m_warnings = walkWarnings(walk, rules(), -width, 2 * width);
        for (int i = 1; i <= m_scene->spotCount; ++i) {
            const HotSpot& h = walk.spots[static_cast<size_t>(i)];
            SceneView::Spot s;
            s.x = h.x;
            const bool ctrl = vb::UCase(h.action) == "Y";
            s.ctrlWindow = ctrl && !m_encipheredRules;
            s.label = QString("%1 %2%3 →%4")
                          .arg(i)
                          .arg(fromScript(h.direction))
                          .arg(ctrl ? " Ctrl" : "")
                          .arg(fromScript(h.target));
            s.selected = i == m_selected;
            for (const SpotWarning& w : m_warnings) s.warned = s.warned || w.spot == i;
            drawn.push_back(s);
            m_spots->addItem(spotLine(i));
        }
        m_spots->setCurrentRow(m_selected - 1);
        for (const SpotWarning& w : m_warnings) m_warningList->addItem(fromScript(w.message));
        for (const std::string& p : m_scene->problems) m_warningList->addItem(QString::fromStdString(p));
        if (cut) m_warningList->addItem("The steps are so small that not every standing place is marked.");
        m_x->setValue(static_cast<int>(std::lround(walk.x)));
        m_y->setValue(static_cast<int>(std::lround(m_scene->y)));
        m_xmove->setValue(static_cast<int>(std::lround(walk.step)));
        m_add->setEnabled(m_scene->spotCount < 4);
        m_save->setEnabled(!m_scene->enciphered);
        m_save->setToolTip(m_scene->enciphered ? "An enciphered script cannot be saved to" : "");
        QString text = QString("Walker at x %1").arg(QString::fromStdString(scriptNumber(m_walker.x)));
        if (!m_walkText.empty()) text += ": " + fromScript(m_walkText);
        if (m_leftBy) {
            const HotSpot& h = walk.spots[static_cast<size_t>(m_leftBy)];
            text += "\n" + QString("Hot spot %1 (x %2) takes the walker to %3. Home starts again.")
                        .arg(m_leftBy)
                        .arg(h.x)
                        .arg(fromScript(h.target));
        }
        m_walkLabel->setText(text);
    } else {
        m_walkLabel->setText("Open a walking scene with File ▸ Open Scene…, or load a background and a sprite.");
    }
    fillForm();
    m_updating = false;
    m_view->setWalk(m_places, drawn);
    recompose();
}

void SceneWindow::fillForm() {
    const bool any = m_scene && m_selected >= 1;
    for (QWidget* w : std::initializer_list<QWidget*>{m_spotX, m_spotText, m_direction, m_action, m_target, m_delete})
        w->setEnabled(any);
    if (!any) {
        m_spotText->clear();
        return;
    }
    const HotSpot& h = m_scene->walk.spots[static_cast<size_t>(m_selected)];
    m_spotX->setValue(h.x);
    if (m_spotText->text() != fromScript(h.text)) m_spotText->setText(fromScript(h.text));
    auto choose = [](QComboBox* box, const QString& value) {
        if (box->findText(value) < 0) box->addItem(value);
        box->setCurrentText(value);
    };
    choose(m_direction, fromScript(h.direction));
    choose(m_action, fromScript(h.action));
    if (m_target->currentText() != fromScript(h.target)) m_target->setCurrentText(fromScript(h.target));
}

void SceneWindow::recompose() {
    const QImage* background = &m_freeBackground.image();
    if (m_scene) background = &m_scene->background;
    QImage canvas = background->isNull() ? QImage(200, 115, QImage::Format_RGB32)
                                         : background->convertToFormat(QImage::Format_RGB32);
    if (background->isNull()) canvas.fill(Qt::black);
    // The sprite goes on as the player draws it: centred, white see-through.
    render::clsMemoryBitmap sprite;
    if (m_scene) {
        sprite.setPicture(m_scene->frame(m_entry));
        sprite.SetTarget(&canvas);
        sprite.CenterOn(vb::CLng(m_walker.x).value_or(0), vb::CLng(m_walker.y).value_or(0));
        if (sprite.isLoaded()) sprite.DrawRect(FullFrameRect, -1);
    } else if (m_freeSprite.isLoaded()) {
        m_freeSprite.SetTarget(&canvas);
        m_freeSprite.CenterOn(m_pointer.x(), m_pointer.y());
        m_freeSprite.DrawRect(FullFrameRect, -1);
    }
    m_composed = canvas;
    m_view->setPicture(canvas);
    m_view->resize(m_view->sizeHint());
}

QStringList SceneWindow::warnings() const {
    QStringList out;
    for (int i = 0; i < m_warningList->count(); ++i) out << m_warningList->item(i)->text();
    return out;
}

QString SceneWindow::walkText() const { return m_walkLabel->text(); }

void SceneWindow::showMessage(const QString& text) { statusBar()->showMessage(text, 8000); }

void SceneWindow::tell(const QString& text) {
    if (onMessage) onMessage(text);
    else QMessageBox::information(this, kCaption, text);
}

void SceneWindow::copyDirectives() {
    if (!m_scene) return showMessage("Open a scene first (File ▸ Open Scene…).");
    QGuiApplication::clipboard()->setText(fromScript(directiveLines(*m_scene)));
    showMessage("The @X, @Y, @xmove and @hotspots lines are on the clipboard.");
}

QString SceneWindow::saveToScript() {
    if (!m_scene) {
        showMessage("Open a scene first (File ▸ Open Scene…).");
        return {};
    }
    const Status saved = saveDirectives(m_scene->gameFile, m_scene->sceneName, directivesOf(*m_scene));
    QString message;
    if (!saved) {
        message = QString::fromStdString(saved.error().description);
        tell(message);
    } else {
        // What is saved now reads back as it stands.
        const auto d = directivesOf(*m_scene);
        m_scene->readX = d[0].value;
        m_scene->readY = d[1].value;
        m_scene->readXmove = d[2].value;
        m_scene->readHotspots = d[3].value;
        message = "Saved to " + QString::fromStdString(m_scene->gameFile) + ".";
    }
    showMessage(message);
    return message;
}

void SceneWindow::keyPress(QKeyEvent* e) {
    if (!m_scene || m_leftBy) {
        e->ignore();
        return;
    }
    switch (e->key()) {
        case Qt::Key_Right:
            m_keys.right = m_keys.held = true;
            break;
        case Qt::Key_Left:
            m_keys.left = m_keys.held = true;
            break;
        case Qt::Key_Control:
            m_keys.action = true;
            break;
        default:
            e->ignore();
            return;
    }
    e->accept();
    if (!m_tick.isActive()) m_tick.start();
}

void SceneWindow::keyRelease(QKeyEvent* e) {
    // X11 reports a held key as release/press pairs; only the last release
    // is the real one.
    if (e->isAutoRepeat()) return;
    if (e->key() == Qt::Key_Control) m_keys.action = false;
    m_keys.held = false;
}

void SceneWindow::tick() {
    if (!m_scene || m_leftBy) {
        m_tick.stop();
        return;
    }
    const WalkScene& walk = m_scene->walk;
    // The first overlay's counter runs for ever over its entries.
    if (++m_counter > walk.overlayCount) m_counter = walk.overlayCount > 0 ? 1 : 0;
    const WalkTick t = walkTick(m_walker, m_counter, walk.overlayCount, walk.spots,
                                m_walker.step + m_bonus, m_keys, rules());
    for (int k = 0; k < t.moveCount; ++k) {
        const WalkMove& m = t.moves[static_cast<size_t>(k)];
        for (int j = 0; j < m.shownCount; ++j)
            m_walkText = walk.spots[static_cast<size_t>(m.shown[static_cast<size_t>(j)])].text;
        if (!m.leave) m_entry = m.entry;
    }
    if (t.standing) m_entry = *t.standing;
    if (int out = t.leave()) {
        m_leftBy = out;
        m_keys = WalkKeys{};
    }
    const bool idle = !m_keys.right && !m_keys.left && !m_walker.moving && !m_keys.action;
    if (idle || m_leftBy) m_tick.stop();
    refresh();
}

void SceneWindow::mousePress(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_drag = Drag::None;
    if (!m_scene) {
        m_drag = Drag::Sprite;
        mouseMove(e);
        return;
    }
    const int hit = m_view->spotAt(e->position());
    if (hit >= 0) {
        m_drag = Drag::Spot;
        selectSpot(hit + 1);
        return;
    }
    const QPointF p = m_view->toPicture(e->position());
    const QImage frame = m_scene->frame(m_entry);
    const QRectF sprite(m_walker.x - frame.width() / 2.0 - 1, m_walker.y - frame.height() / 2.0 - 1,
                        frame.width() + 2, frame.height() + 2);
    if (sprite.contains(p)) m_drag = Drag::Sprite;
}

void SceneWindow::mouseMove(QMouseEvent* e) {
    const QPointF p = m_view->toPicture(e->position());
    const int x = static_cast<int>(std::floor(p.x())), y = static_cast<int>(std::floor(p.y()));
    m_pointerX->setText(QString::number(x));
    m_pointerY->setText(QString::number(y));
    if (!m_scene) {
        // The free sprite follows the pointer, as it always did.
        if (m_freeSprite.isLoaded() && QPoint(x, y) != m_pointer) moveSprite(x, y);
        return;
    }
    if (!(e->buttons() & Qt::LeftButton)) {
        // The whole hot spot, text and target, under the pointer.
        const int hit = m_view->spotAt(e->position());
        m_view->setToolTip(hit >= 0 ? spotLine(hit + 1) : QString());
        return;
    }
    if (m_drag == Drag::Spot) moveSpot(m_selected, x);
    else if (m_drag == Drag::Sprite && (x != m_scene->walk.x || y != m_scene->y)) moveSprite(x, y);
}

void SceneWindow::mouseRelease(QMouseEvent*) { m_drag = Drag::None; }

}  // namespace spotter
