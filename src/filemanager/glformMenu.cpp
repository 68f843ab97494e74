// The panel's popup menu: what the scene shows, the sort order, and the items of the panel
// commands, each enabled once its command is wired.
#include "filemanager/glform.h"

#include "filemanager/OpenGLPanel.h"
#include "platform/ui/ExceptionGuard.h"

#include <QAction>
#include <QMenu>

namespace {

QAction* AddOption(QMenu* menu, const char* name, const char* caption, bool checked)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(true);
    item->setChecked(checked);
    return item;
}

QAction* AddCommand(QMenu* menu, const char* name, const char* caption)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setEnabled(false);
    return item;
}

} // namespace

void Tglfr::BuildPopupMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    QMenu* display = PopupMenu1->addMenu("display");
    displaynames2 = AddOption(display, "displaynames2", "names", true);
    sizeasheight = AddOption(display, "sizeasheight", "size as height", false);
    size1 = AddOption(display, "size1", "size", false);
    date1 = AddOption(display, "date1", "date", false);
    attributes1 = AddOption(display, "attributes1", "attributes", false);
    directorytree2 = AddOption(display, "directorytree2", "directory tree", false);
    directorysize1 = AddOption(display, "directorysize1", "directory size", false);
    QMenu* sort = PopupMenu1->addMenu("sort");
    byname2 = AddOption(sort, "byname2", "by name", true);
    byextension2 = AddOption(sort, "byextension2", "by extension", false);
    bysize2 = AddOption(sort, "bysize2", "by size", false);
    bydate2 = AddOption(sort, "bydate2", "by date", false);
    sort->addSeparator();
    reversesort1 = AddOption(sort, "reversesort1", "reverse sort", false);
    invertselection1 = AddCommand(PopupMenu1, "invertselection1", "Invert selection");
    setattributes1 = AddCommand(PopupMenu1, "setattributes1", "set attributes");
    resetview1 = AddCommand(PopupMenu1, "resetview1", "reset view");
    doswin = AddCommand(PopupMenu1, "doswin", "DOS window");
    ZIP1 = AddCommand(PopupMenu1, "ZIP1", "ZIP");
    unZIP1 = AddCommand(PopupMenu1, "unZIP1", "unZIP");
    mapnetworkdrive1 = AddCommand(PopupMenu1, "mapnetworkdrive1", "connect network drive");
    unmapnetworkdrive1 = AddCommand(PopupMenu1, "unmapnetworkdrive1", "disconnect network drive");

    Wire(displaynames2, &Tglfr::displaynames2Click);
    Wire(sizeasheight, &Tglfr::sizeasheightClick);
    Wire(size1, &Tglfr::size1Click);
    Wire(date1, &Tglfr::date1Click);
    Wire(attributes1, &Tglfr::attributes1Click);
    Wire(directorytree2, &Tglfr::directorytree2Click);
    Wire(directorysize1, &Tglfr::directorysize1Click);
    Wire(byname2, &Tglfr::byname2Click);
    Wire(byextension2, &Tglfr::byextension2Click);
    Wire(bysize2, &Tglfr::bysize2Click);
    Wire(bydate2, &Tglfr::bydate2Click);
    Wire(reversesort1, &Tglfr::reversesort1Click);

    Wire(invertselection1, &Tglfr::invertselection1Click);
    Wire(resetview1, &Tglfr::resetview1Click);

    // X11 asks for the context menu on the press: the right button's release marks first,
    // then opens the menu itself.
    OpenGLPanel1->setContextMenuPolicy(Qt::PreventContextMenu);
}

void Tglfr::Wire(QAction* item, void (Tglfr::*command)())
{
    connect(item, &QAction::triggered, this, platform::guard([this, command] { (this->*command)(); }));
    item->setEnabled(true);
}

void Tglfr::SortListing()
{
    if (byname2->isChecked())
        dir.SortByName(reversesort);
    if (byextension2->isChecked())
        dir.SortByExt(reversesort);
    if (bysize2->isChecked())
        dir.SortBySize(reversesort);
    if (bydate2->isChecked())
        dir.SortByDate(reversesort);
}

void Tglfr::SortBy(QAction* item)
{
    for (QAction* order : {byname2, byextension2, bysize2, bydate2})
        order->setChecked(order == item);
    SortListing();
    RepaintScene();
}

void Tglfr::byname2Click()
{
    SortBy(byname2);
}
void Tglfr::byextension2Click()
{
    SortBy(byextension2);
}
void Tglfr::bysize2Click()
{
    SortBy(bysize2);
}
void Tglfr::bydate2Click()
{
    SortBy(bydate2);
}

void Tglfr::reversesort1Click()
{
    reversesort = !reversesort;
    reversesort1->setChecked(reversesort);
    SortListing();
    RepaintScene();
}

void Tglfr::Toggle(bool& option, QAction* item)
{
    option = !option;
    RepaintScene();
    item->setChecked(option);
}

void Tglfr::displaynames2Click()
{
    Toggle(dspnam, displaynames2);
}
void Tglfr::sizeasheightClick()
{
    Toggle(dspsizasheight, sizeasheight);
}
void Tglfr::size1Click()
{
    Toggle(dspsiz, size1);
}
void Tglfr::date1Click()
{
    Toggle(dspdat, date1);
}
void Tglfr::attributes1Click()
{
    Toggle(dspatr, attributes1);
}
void Tglfr::directorytree2Click()
{
    Toggle(dirtreevisible, directorytree2);
}

void Tglfr::directorysize1Click()
{
    dirsizevisible = !dirsizevisible;
    if (ChangeToListingDir()) {
        // Summed sizes are only seen as heights or labels.
        if (dirsizevisible && !dspsizasheight && !dspsiz) {
            dspsizasheight = true;
            sizeasheight->setChecked(true);
        }
        RefreshListing(true);
    }
    directorysize1->setChecked(dirsizevisible);
}
