#pragma once
// The forms for scripts: JSON Lines (--format=jsonl) and the CSV that reads
// the same in every locale (--portable).

#include "engine/TableForm.h"

std::unique_ptr<OutputForm> MakeJsonLinesForm();
std::unique_ptr<OutputForm> MakePortableForm();
