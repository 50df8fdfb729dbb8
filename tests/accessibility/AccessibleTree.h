#pragma once
// Walking a window's accessible tree as a screen reader does.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>

#include <vector>

namespace scindra {

inline QAccessibleInterface* Of(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

// Every node below `node`, depth first, into `nodes`. The walk is bounded: a
// cycle in the tree would be a fault of its own, not a reason to hang.
inline void Walk(QAccessibleInterface* node, std::vector<QAccessibleInterface*>& nodes, int depth = 0)
{
    ASSERT_LT(depth, 40) << "the accessible tree is deeper than any window could be";
    nodes.push_back(node);
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface* child = node->child(i))
            Walk(child, nodes, depth + 1);
}

} // namespace scindra
