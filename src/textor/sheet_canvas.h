#pragma once

#include "textor/canvas.h"

namespace qv {

// The sheet's canvas classes: the canvas itself with nothing added (a sheet may specialise them).
class TCustomSheetCanvas : public TCanvas
{
public:
    using TCanvas::TCanvas;
};

class TSheetCanvas : public TCustomSheetCanvas
{
public:
    using TCustomSheetCanvas::TCustomSheetCanvas;
};

} // namespace qv
