// Stands in until the search window lands.
#include "program/main/MainWindowServices.h"

namespace OrvaneMac {

void ShowSearchWindow(const SearchWindowOpening& /*opening*/) {}

}  // namespace OrvaneMac
