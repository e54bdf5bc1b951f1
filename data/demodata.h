// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Deterministic sample data: a realistic small firm for `init-db --demo`, and
// the large generated database of the benchmarks.
class Engine;

namespace DemoData {

// About 25 addresses, 40 articles and 60 documents of every type over
// several years. The same every time it runs.
void fill(Engine &engine);

// count addresses, documents spread over them and positionsPerDocument
// positions each; deterministic for a given set of arguments.
void fillLarge(Engine &engine, int addresses, int documents, int positionsPerDocument);

} // namespace DemoData
