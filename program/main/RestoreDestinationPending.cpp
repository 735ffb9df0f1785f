// Stands in until the restore destination screen lands.
#include "program/browse/TreeViewControl.h"
#include "program/main/MainWindowServices.h"
#include "program/session/Transfer.h"

namespace OrvaneMac {

void ShowRestoreDestinationScreen(const QString& /*label3Caption*/) {}

void TreeViewControl::TraverseColTree(UniTreeViewMC* /*Tree*/, const TreeNode& /*nodx*/, bool& /*bFirstNode*/,
                                      bool /*bRemote*/, bool /*bNoFiles*/, bool /*bServerPath*/) {}
void TreeViewControl::TraverseColTreeSearch(UniTreeViewMC* /*Tree*/, const TreeNode& /*nodx*/, bool& /*bFirstNode*/,
                                            bool /*bRemote*/, bool /*bFiles*/) {}

void Transfer::Trf_ClearEnumRestoreItemSet() {}
void Transfer::Trf_CreateRemoteDir() {}

}  // namespace OrvaneMac
