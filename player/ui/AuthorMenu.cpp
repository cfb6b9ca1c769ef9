// Options > Author Mode and, while it is on, its items: Reload
// (Ctrl+Shift+R) and Go to Scene... (Ctrl+G).

#include <QAction>
#include <QMenu>

#include "AuthorMode.h"
#include "PlayerCore.h"
#include "PlayerWindow.h"
#include "Settings.h"
#include "TextCodec.h"

namespace parvel::ui {

void PlayerWindow::addAuthorItems() {
    if (m_authorItem) return;
    m_authorItem = m_opns->addAction(tr("Au&thor Mode"));
    m_authorItem->setObjectName("authorMode");
    m_authorItem->setCheckable(true);
    connect(m_authorItem, &QAction::triggered, this, [this](bool on) {
        setAuthorMode(on);
        m_settingsFile.write("AuthorMode", iniWord(on));
    });
    // --author turns it on for this run; the menu item keeps its choice.
    const bool on = m_options.author || iniFlag(m_settingsFile.read("AuthorMode")).value_or(false);
    if (on) setAuthorMode(true);
}

void PlayerWindow::setAuthorMode(bool on) {
    if (m_authorItem) m_authorItem->setChecked(on);
    if (on == (m_author != nullptr)) return;
    if (!on) {
        for (QAction* a : m_authorActions) delete a;
        m_authorActions.clear();
        m_author->detach();
        m_author.reset();
        return;
    }
    // Only the real core has a player to author; stand-ins have none.
    auto* real = dynamic_cast<PlayerCore*>(m_core);
    Player* player = real ? &real->player() : nullptr;
    if (!player) return;
    m_author = std::make_unique<AuthorMode>(*player, this, [this](std::function<void()> call) {
        if (!m_quitting) inCore(call);
    });
    // Right below Author Mode, whatever follows it.
    const QList<QAction*> items = m_opns->actions();
    const qsizetype at = items.indexOf(m_authorItem);
    QAction* next = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
    auto add = [&](const char* name, const QString& caption, const QKeySequence& keys,
                   auto handler) {
        auto* a = new QAction(caption, m_opns);
        a->setObjectName(name);
        a->setShortcut(keys);
        m_opns->insertAction(next, a);
        connect(a, &QAction::triggered, this, handler);
        m_author->panel()->addAction(a);  // the keys work over the panel too
        m_authorActions.push_back(a);
    };
    add("authorReload", tr("Reloa&d"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R),
        [this] { m_author->reload(); });
    add("goToScene", tr("&Go to Scene..."), QKeySequence(Qt::CTRL | Qt::Key_G),
        [this] { m_author->showGoToScene(); });
}

void PlayerWindow::startAtScene(const std::string& scene) {
    if (!m_author || scene.empty()) return;
    m_author->goTo(utf8ToCp1252(scene).value_or(scene));
}

}  // namespace parvel::ui
