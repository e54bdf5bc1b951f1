#include "demodata.h"

#include "engine.h"

// Filled in by the demo data work; an empty sample keeps the build whole meanwhile.
namespace DemoData {
void fill(Engine &) {}
void fillLarge(Engine &, int, int, int) {}
} // namespace DemoData
