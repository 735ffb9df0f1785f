// The check marks a listed folder passes on to its new children.
#include "program/browse/TreeViewControl.h"

namespace OrvaneMac {

void TreeViewControl::RefreshColChildChecks(const TreeNode& nodx, bool /*bFlag*/) {
  if (nodx.IsNothing()) return;
  TreeNode node = nodx;
  node.CarryCheckDown();
}

}  // namespace OrvaneMac
