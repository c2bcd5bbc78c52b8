#pragma once
// What one run (Fix, Move or Copy over the selected reference AVIs) keeps
// from the search of one reference AVI to the next: what the drive walks
// learned, and the folder mappings given or learned. The user interface that
// answers the run's searches owns it; each search gets it for its time.
#include <cstddef>

#include "search/FolderMapping.h"
#include "search/WalkMemory.h"

namespace mendora {

struct RunMemory {
  explicit RunMemory(size_t walk_budget = WalkMemory::kDefaultBudget) : walk(walk_budget) {}
  WalkMemory walk;
  FolderMapping mapping;
};

}  // namespace mendora
