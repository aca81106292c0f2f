#pragma once
// The fonts pages get where they name none: Japanese ones, the same in every engine, so
// that a page without fonts of its own looks alike in either slot.

#include <QString>

namespace PageFonts {

// The first installed Japanese sans-serif (gothic) family; empty when none is.
QString sans();
// The first installed Japanese serif (mincho) family; empty when none is.
QString serif();

}  // namespace PageFonts
