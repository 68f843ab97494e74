#include "filemanager/Dirbloc.h"

#include "platform/fs/DriveList.h"
#include "support/TempTree.h"
#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace {
std::vector<std::string> ChildNames(const Tdirblock& node)
{
    std::vector<std::string> names;
    for (const auto& child : node.children)
        names.push_back(child->name);
    return names;
}

// A panel's tree over a temporary directory that the fake mount table makes a drive.
class DirTree : public ::testing::Test {
protected:
    DirTree()
        : drives([this] { return std::vector<platform::MountEntry>{{tree.Root(), "fuse.test"}}; }), dirTree(drives)
    {
    }

    Tdirblock& Node(const std::string& relative)
    {
        Tdirblock* node = dirTree.treeRoot.get();
        std::size_t from = 0;
        while (node && from < relative.size()) {
            const std::size_t slash = std::min(relative.find('/', from), relative.size());
            const std::string name = relative.substr(from, slash - from);
            Tdirblock* next = nullptr;
            for (const auto& child : node->children)
                if (child->name == name)
                    next = child.get();
            node = next;
            from = slash + 1;
        }
        if (!node)
            throw std::runtime_error("no node " + relative);
        return *node;
    }

    testfs::KeepCurrentDir keep;
    testfs::TempTree tree;
    testsupport::ScriptedMessages boxes;
    platform::DriveList drives;
    TDirTree dirTree;
};

TEST_F(DirTree, AtTheDriveRootTheRootAloneIsMarkedAndAClickExpandsIt)
{
    tree.Dir("b");
    tree.Dir("a");
    tree.File("file");
    dirTree.RebuildDirTree(tree.Root());
    Tdirblock& root = *dirTree.treeRoot;
    EXPECT_EQ(root.path, tree.Root());
    EXPECT_EQ(root.name, tree.Root());
    EXPECT_TRUE(root.marked);
    EXPECT_FALSE(root.expanded);
    EXPECT_TRUE(root.children.empty());
    dirTree.LayoutTree();
    EXPECT_EQ(dirTree.markedNodeX, 4);
    EXPECT_EQ(dirTree.markedNodeZ, 0);
    EXPECT_EQ(dirTree.NodeX(0), -4);

    ASSERT_EQ(dirTree.FindTreeNodeByIndex(7, 7), &root);
    EXPECT_EQ(dirTree.ClickTreeNode(root), tree.Root() + "  <DIR>");
    EXPECT_TRUE(root.expanded);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(root.children[0]->path, tree.Path("a"));
    EXPECT_EQ(root.children[0]->level, 1);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(DirTree, ThreeLevelsDownThePathIsExpandedAndTheMarkedNodeSitsBesideTheGrid)
{
    for (const char* dir : {"a/b/c/d", "a/x/k", "a/b/y", "aa", "z", "a/b/.hid"})
        tree.Dir(dir);
    dirTree.RebuildDirTree(tree.Path("a/b/c"));

    EXPECT_EQ(ChildNames(*dirTree.treeRoot), (std::vector<std::string>{"a", "aa", "z"}));
    EXPECT_EQ(ChildNames(Node("a")), (std::vector<std::string>{"b", "x"}));
    EXPECT_EQ(ChildNames(Node("a/b")), (std::vector<std::string>{".hid", "c", "y"}));
    EXPECT_EQ(ChildNames(Node("a/b/c")), (std::vector<std::string>{"d"}));
    for (const char* open : {"", "a", "a/b", "a/b/c"})
        EXPECT_TRUE(Node(open).expanded) << open;
    for (const char* shut : {"aa", "z", "a/x", "a/b/y", "a/b/c/d"}) {
        EXPECT_FALSE(Node(shut).expanded) << shut;
        EXPECT_TRUE(Node(shut).children.empty()) << shut;
    }
    EXPECT_TRUE(Node("a/b/c").marked);
    EXPECT_EQ(dirTree.pickedNode, &Node("a/b/c"));
    EXPECT_EQ(testfs::CurrentDirectory(), tree.Path("a/b/c"));

    // Rows: root 0, a 1, b 2, .hid 3, c 4.
    EXPECT_EQ(dirTree.markedNodeX, 2 * 3 + 4);
    EXPECT_EQ(dirTree.markedNodeZ, 2 * 4);
    dirTree.LayoutTree();
    EXPECT_EQ(dirTree.markedNodeX, 10);
    EXPECT_EQ(dirTree.markedNodeZ, 8);
    EXPECT_EQ(dirTree.NodeX(3), -4);
    EXPECT_EQ(dirTree.NodeZ(4), 0);
}

TEST_F(DirTree, ExpansionComparesWholeComponentsExactly)
{
    for (const char* dir : {"a", "ab", "a b", "Data", "data", "b", "x/b"})
        tree.Dir(dir);
    const auto marked = [&] {
        std::vector<std::string> names;
        for (const char* name : {"a", "ab", "a b", "Data", "data", "b", "x"})
            if (Node(name).marked)
                names.push_back(name);
        return names;
    };
    dirTree.RebuildDirTree(tree.Path("a"));
    EXPECT_EQ(marked(), (std::vector<std::string>{"a"}));
    dirTree.RebuildDirTree(tree.Path("ab"));
    EXPECT_EQ(marked(), (std::vector<std::string>{"ab"}));
    dirTree.RebuildDirTree(tree.Path("data"));
    EXPECT_EQ(marked(), (std::vector<std::string>{"data"}));
    dirTree.RebuildDirTree(tree.Path("x/b") + "/");
    EXPECT_TRUE(marked().empty());
    EXPECT_TRUE(Node("x/b").marked);
}

TEST_F(DirTree, ClicksNeverHideTheMarkedNodeAndPickNamesFollowPreOrder)
{
    for (const char* dir : {"a/b/c/d", "a/x/k", "a/b/y", "aa", "z"})
        tree.Dir(dir);
    dirTree.RebuildDirTree(tree.Path("a/b/c"));
    const int entries = 5;
    // Visible rows: root, a, b, c, d, y, x, aa, z.
    const char* order[] = {"", "a", "a/b", "a/b/c", "a/b/c/d", "a/b/y", "a/x", "aa", "z"};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(dirTree.FindTreeNodeByIndex(entries + i, entries), &Node(order[i])) << i;
    EXPECT_EQ(dirTree.FindTreeNodeByIndex(entries + 9, entries), nullptr);

    dirTree.ClickTreeNode(Node("a"));
    EXPECT_TRUE(Node("a").expanded) << "an ancestor of the marked node stays open";
    EXPECT_EQ(dirTree.lastHit, 2);

    dirTree.ClickTreeNode(Node("a/x"));
    EXPECT_TRUE(Node("a/x").expanded);
    EXPECT_EQ(ChildNames(Node("a/x")), (std::vector<std::string>{"k"}));
    EXPECT_EQ(dirTree.FindTreeNodeByIndex(entries + 7, entries), &Node("a/x/k"));
    dirTree.ClickTreeNode(Node("a/x"));
    EXPECT_FALSE(Node("a/x").expanded);
    EXPECT_EQ(dirTree.FindTreeNodeByIndex(entries + 7, entries), &Node("aa"));

    dirTree.ClickTreeNode(Node("a/b/c"));
    EXPECT_FALSE(Node("a/b/c").expanded) << "the marked node itself may close";
    EXPECT_EQ(dirTree.FindTreeNodeByIndex(entries + 4, entries), &Node("a/b/y"));
    dirTree.ClickTreeNode(Node("a/b/c"));
    EXPECT_TRUE(Node("a/b/c").expanded);
    EXPECT_EQ(ChildNames(Node("a/b/c")), (std::vector<std::string>{"d"}));
}

TEST_F(DirTree, DoubleClickMovesTheMarkAndTheCameraThenRebuildsFromTheNodesOwnPath)
{
    for (const char* dir : {"a/b/c", "a/x/k", "z"})
        tree.Dir(dir);
    dirTree.RebuildDirTree(tree.Path("a/b/c"));
    Tdirblock& x = Node("a/x");
    ASSERT_EQ(dirTree.FindTreeNodeByIndex(2 + 4, 2), &x);
    dirTree.ClickTreeNode(x); // the release before the double click
    EXPECT_EQ(dirTree.pickedNodeX, 10);
    EXPECT_EQ(dirTree.pickedNodeZ, 6);

    const TreeMarkMove move = dirTree.DoubleClickTreeNode(x);
    EXPECT_TRUE(x.marked);
    EXPECT_FALSE(Node("a/b/c").marked);
    EXPECT_EQ(move.path, tree.Path("a/x"));
    EXPECT_EQ(move.dx, 8 - 10); // x: depth 2, row 4
    EXPECT_EQ(move.dz, 8 - 6);

    dirTree.RebuildDirTree(x.path); // x is freed on the way: the path must have been copied
    EXPECT_TRUE(Node("a/x").marked);
    EXPECT_EQ(testfs::CurrentDirectory(), tree.Path("a/x"));
}

TEST_F(DirTree, FailuresAreReportedAndLeaveASaneTree)
{
    tree.Dir("a/gone");
    tree.Dir("a/kept");
    dirTree.RebuildDirTree("relative/path");
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"there are no drives"}));
    EXPECT_EQ(dirTree.treeRoot, nullptr);

    dirTree.RebuildDirTree(tree.Path("a/nowhere"));
    EXPECT_EQ(dirTree.markedNodeX, 0);
    EXPECT_EQ(dirTree.markedNodeZ, 0);
    EXPECT_EQ(dirTree.pickedNode, nullptr);
    dirTree.ClickTreeNode(Node("a"));
    EXPECT_FALSE(Node("a").expanded) << "with nothing marked a node may close";

    rmdir(tree.Path("a/gone").c_str());
    boxes.clear();
    dirTree.ClickTreeNode(Node("a"));
    dirTree.ClickTreeNode(Node("a/gone"));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"cannot change to dir: " + tree.Path("a/gone")}));
    EXPECT_TRUE(Node("a/gone").children.empty());
}
} // namespace
