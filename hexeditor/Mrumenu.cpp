#include "Mrumenu.h"

#include "platform/QtPath.h"
#include "platform/Text.h"

#include <QAction>
#include <QMenu>

namespace {

// The menu shows '&' doubled, since a single one marks the accelerator.
QString MenuCaption(const std::string& fileName) { return platform::PathToQString(fileName).replace("&", "&&"); }

}  // namespace

void AddMRUItems(QMenu& menu, QAction*& separator, std::array<QAction*, MRUCount>& items, QObject& receiver,
                 const std::function<void(QAction*)>& open) {
    separator = menu.addSeparator();
    separator->setVisible(false);
    for (QAction*& item : items) {
        item = menu.addAction(QString());
        item->setVisible(false);
        QObject::connect(item, &QAction::triggered, &receiver, [open, item] { open(item); });
    }
}

void BuildMRUMenu(const std::array<std::string, MRUCount>& list, QAction& separator,
                  const std::array<QAction*, MRUCount>& items) {
    auto item = items.begin();
    for (const std::string& entry : list) {
        const std::string name = platform::Trim(entry);
        if (name.empty()) continue;
        separator.setVisible(true);
        (*item)->setText(MenuCaption(name));
        (*item)->setData(QByteArray::fromStdString(name));
        (*item)->setVisible(true);
        ++item;
    }
}

std::string MRUItemPath(const QAction& item) { return item.data().toByteArray().toStdString(); }
