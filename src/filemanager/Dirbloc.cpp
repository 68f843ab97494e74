#include "filemanager/Dirbloc.h"

#include "platform/base/Exception.h"
#include "platform/fs/Attributes.h"
#include "platform/fs/CurrentDir.h"
#include "platform/fs/DriveList.h"
#include "platform/fs/FindFiles.h"
#include "platform/fs/Names.h"
#include "platform/fs/Path.h"
#include "platform/ui/MessageService.h"

#include <algorithm>

namespace {
bool SamePath(const std::string& a, const std::string& b)
{
    return platform::WithTrailingSeparator(a) == platform::WithTrailingSeparator(b);
}

bool IsWithin(const Tdirblock* node, const Tdirblock& subtree)
{
    for (; node; node = node->parent)
        if (node == &subtree)
            return true;
    return false;
}

bool HoldsMarkedNode(const Tdirblock& node)
{
    return node.marked
        || std::any_of(node.children.begin(), node.children.end(), [](const auto& c) { return HoldsMarkedNode(*c); });
}
} // namespace

Tdirblock::Tdirblock(Tdirblock* parent, int level, std::string name, std::string path)
    : parent(parent), level(level), path(std::move(path)), name(std::move(name)), lname(platform::LowerName(this->name))
{
}

int CompareTreeNodeNames(const Tdirblock& a, const Tdirblock& b)
{
    int result = a.lname.compare(b.lname);
    if (result == 0)
        result = a.name.compare(b.name);
    return (result > 0) - (result < 0);
}

TDirTree::TDirTree(const platform::DriveList& drives) : drives_(drives) {}

void TDirTree::RebuildDirTree(std::string path)
{
    const int drive = drives_.DriveOf(path);
    if (drive < 0) {
        platform::ShowMessage("there are no drives");
        return;
    }
    const std::string& driveRoot = drives_.Items()[std::size_t(drive)].root;
    if (!platform::ChangeDir(driveRoot))
        platform::ShowMessage("cannot change to root dir");
    const std::string rootPath = platform::CurrentDir();
    pickedNode = nullptr;
    treeRoot = std::make_unique<Tdirblock>(nullptr, 0, rootPath, rootPath);
    if (SamePath(path, driveRoot))
        treeRoot->marked = true;
    else
        ExpandTreeToPath(std::move(path));
}

void TDirTree::ExpandTreeToPath(std::string path)
{
    const std::string target = platform::WithTrailingSeparator(path);
    markedNodeX = markedNodeZ = treeRow = pickedNodeX = pickedNodeZ = 0;
    Tdirblock* node = treeRoot.get();
    while (node) {
        ReadTreeChildren(*node);
        Tdirblock* next = nullptr;
        for (const auto& child : node->children) {
            ++treeRow;
            if (!platform::IsAncestorOrSame(child->path, target))
                continue;
            if (SamePath(child->path, target)) {
                child->marked = true;
                pickedNode = child.get();
                ReadTreeChildren(*child);
                RecordMarkedPlace(child->level);
                return;
            }
            next = child.get();
            break;
        }
        node = next;
    }
}

void TDirTree::ReadTreeChildren(Tdirblock& node)
{
    if (!node.children.empty()) {
        FreeTreeNodes(node);
        node.expanded = false;
    }
    if (!platform::ChangeDir(node.path)) {
        platform::ShowMessage("cannot change to dir: " + node.path);
        return;
    }
    std::vector<platform::FoundFile> found;
    try {
        found = platform::ListDir(node.path, "*.*");
    } catch (const platform::Exception&) {
        // Entered but not listable (a home of mode 0711): a leaf, as a failed search gives;
        // a box here would come back at every refresh of a panel below it.
        return;
    }
    for (const platform::FoundFile& file : found)
        if ((file.attributes & platform::attrDirectory) && file.name != "..")
            node.children.push_back(
                std::make_unique<Tdirblock>(&node, node.level + 1, file.name, platform::JoinPath(node.path, file.name)));
    std::sort(node.children.begin(), node.children.end(),
              [](const auto& a, const auto& b) { return CompareTreeNodeNames(*a, *b) < 0; });
    if (!node.children.empty())
        node.expanded = true;
}

void TDirTree::FreeTreeNodes(Tdirblock& node)
{
    if (pickedNode != &node && IsWithin(pickedNode, node))
        pickedNode = nullptr;
    node.children.clear();
}

void TDirTree::RecordMarkedPlace(int level)
{
    markedNodeX = 2 * level + treeColBase + 4;
    markedNodeZ = 2 * treeRow + treeRowBase;
    if (lastHit == 2) {
        pickedNodeX = markedNodeX;
        pickedNodeZ = markedNodeZ;
    }
}

void TDirTree::LayoutTree()
{
    treeRowBase = treeColBase = treeRow = pickedNodeX = pickedNodeZ = 0;
    bool found = false;
    if (treeRoot)
        LocateMarkedNode(*treeRoot, found);
    treeRow = 0;
}

void TDirTree::LocateMarkedNode(const Tdirblock& node, bool& found)
{
    if (found)
        return;
    if (node.marked) {
        found = true;
        RecordMarkedPlace(node.level);
        return;
    }
    if (!node.expanded)
        return;
    for (const auto& child : node.children) {
        ++treeRow;
        LocateMarkedNode(*child, found);
        if (found)
            return;
    }
}

void TDirTree::ClearTreeMarks(Tdirblock& node)
{
    node.marked = false;
    for (const auto& child : node.children)
        ClearTreeMarks(*child);
}

Tdirblock* TDirTree::FindTreeNodeByIndex(int pickName, int entryCount)
{
    wantedNodeIndex = pickName - entryCount;
    treeRow = nodeCounter = 0;
    pickedNode = wantedNodeIndex == 0 ? treeRoot.get() : nullptr;
    if (!pickedNode && treeRoot && treeRoot->expanded)
        WalkTreeToIndex(*treeRoot);
    return pickedNode;
}

void TDirTree::WalkTreeToIndex(Tdirblock& node)
{
    for (const auto& child : node.children) {
        if (nodeCounter >= wantedNodeIndex)
            return;
        ++treeRow;
        ++nodeCounter;
        if (nodeCounter == wantedNodeIndex)
            pickedNode = child.get();
        else if (child->expanded)
            WalkTreeToIndex(*child);
    }
}

std::string TDirTree::ClickTreeNode(Tdirblock& node)
{
    node.row = treeRow;
    lastHit = 2;
    node.expanded = !node.expanded;
    if (node.expanded && node.children.empty())
        ReadTreeChildren(node);
    pickedNodeX = pickedNodeZ = treeRow = 0;
    bool found = false;
    LocateMarkedNode(*treeRoot, found);
    if (!found && HoldsMarkedNode(node))
        node.expanded = true; // the way to the panel's directory stays open
    return node.path + "  <DIR>";
}

TreeMarkMove TDirTree::DoubleClickTreeNode(Tdirblock& node)
{
    ClearTreeMarks(*treeRoot);
    node.marked = true;
    const int oldX = pickedNodeX;
    const int oldZ = pickedNodeZ;
    pickedNodeX = pickedNodeZ = treeRow = 0;
    bool found = false;
    LocateMarkedNode(*treeRoot, found);
    TreeMarkMove move{node.path};
    if (found) {
        move.dx = pickedNodeX - oldX;
        move.dz = pickedNodeZ - oldZ;
    }
    return move;
}
