// Driver tweaks page (tab 6): the switches of tweak.xml that belong to the
// current driver's vendor, each with a check mark showing its value in
// Mesa's driver configuration file; activating an entry toggles it.
#ifndef TESSERA_PAGES_TWEAK_TAB_H
#define TESSERA_PAGES_TWEAK_TAB_H

#include <QIcon>
#include <QString>

#include <vector>

#include "online/drirc.h"
#include "pages/tab_page.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace tessera {

class TweakTab : public TabPage {
    Q_OBJECT
public:
    // Reads the shipped tweak.xml.
    explicit TweakTab(AppState &state, QWidget *parent = nullptr);
    // Reads the given switch file instead.
    TweakTab(AppState &state, const QString &tweakFile, QWidget *parent = nullptr);

    // The notice again, in the current language; the list stays, and its
    // descriptions and marks follow the language and the files when drawn.
    void refresh() override;

    // Toggles the switch of the row through its configuration file; on
    // failure the user is told which file could not be changed.
    bool toggle(int row);
    // Whether the row's switch is on in its file now.
    bool isChecked(int row) const;

    QTreeWidget *list() const { return list_; }
    QLabel *notice() const { return notice_; }

    // tweak.xml beside the program, else in the installed data folder.
    static QString shippedTweakFile();

private:
    void fill(const QString &tweakFile);

    std::vector<tweak::Entry> entries_; // every entry of the file, in file order
    QIcon marks_[2];                    // unchecked, checked
    QTreeWidget *list_;
    QLabel *notice_;
};

} // namespace tessera

#endif
