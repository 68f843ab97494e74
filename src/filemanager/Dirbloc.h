#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {
class DriveList;
}

// One directory of a panel's tree.
struct Tdirblock {
    Tdirblock(Tdirblock* parent, int level, std::string name, std::string path);

    Tdirblock* parent;                                // null for the root
    std::vector<std::unique_ptr<Tdirblock>> children; // sorted by lname; empty until read
    int level;                                        // depth, the root 0
    int row = 0;                                      // the tree row when last clicked
    std::string path;                                 // full path; only the root ends in "/"
    std::string name;                                 // own name; the root's is its path
    std::string lname;                                // name in lower case, the sort key
    bool marked = false;                              // the node of the panel's directory
    bool expanded = false;                            // its children are shown
};

// Byte-wise order of the lower-case names, then of the names themselves: -1, 0 or 1.
int CompareTreeNodeNames(const Tdirblock& a, const Tdirblock& b);

// What a double click on a node asks of the panel: shift the camera by (dx, dz), so the
// newly marked node appears where the old one was, then go to path.
struct TreeMarkMove {
    std::string path;
    int dx = 0;
    int dz = 0;
};

// The directory tree of a panel's drive, without its drawing. Visible nodes are numbered
// in pre-order (the root row 0), descending only into expanded nodes. A node at depth L
// and row r lies at x = NodeX(L), z = NodeZ(r), y = treePlaneY in the tree's coordinates;
// the layout numbers put the marked node at (-4, treePlaneY, 0), beside the grid's first
// cell. Node pointers (pickedNode included) are valid until the next rebuild.
class TDirTree {
public:
    // The drive list belongs to the panel and must outlive the tree.
    explicit TDirTree(const platform::DriveList& drives);

    std::unique_ptr<Tdirblock> treeRoot;
    Tdirblock* pickedNode = nullptr;
    int wantedNodeIndex = 0;
    int nodeCounter = 0;
    int treeRow = 0;
    int treeRowBase = 0;
    int treeColBase = 0;
    static constexpr int treePlaneY = -2;
    int markedNodeX = 0;
    int markedNodeZ = 0;
    int pickedNodeX = 0;
    int pickedNodeZ = 0;
    int lastHit = 0; // what the panel's last click hit: 0 nothing, 1 an entry, 2 a tree node

    int NodeX(int level) const { return 2 * level + treeColBase - markedNodeX; }
    int NodeZ(int row) const { return 2 * row + treeRowBase - markedNodeZ; }

    // Paths are taken by value: a caller's path may live in a node that the call frees.
    void RebuildDirTree(std::string path);
    void ExpandTreeToPath(std::string path);
    void ReadTreeChildren(Tdirblock& node);
    void FreeTreeNodes(Tdirblock& node);

    void LayoutTree();
    void LocateMarkedNode(const Tdirblock& node, bool& found);
    void ClearTreeMarks(Tdirblock& node);

    // The node of a pick name (names after the entries'), or null.
    Tdirblock* FindTreeNodeByIndex(int pickName, int entryCount);
    void WalkTreeToIndex(Tdirblock& node);

    // A click expands or collapses the node, never hiding the marked node; returns the
    // status text. A double click moves the mark to the node.
    std::string ClickTreeNode(Tdirblock& node);
    TreeMarkMove DoubleClickTreeNode(Tdirblock& node);

private:
    void RecordMarkedPlace(int level);

    const platform::DriveList& drives_;
};
