// Orientation and font scale of a printed text report (see printfit.h).
#include "common/printfit.h"

#include <algorithm>

namespace kor2 {

double PrintFontScale(double widest, double lineHeight, int linesPerPage, PrintBox box) {
    double scale = 1.0;
    if (widest > 0) scale = std::min(scale, box.width / widest);
    if (lineHeight > 0 && linesPerPage > 0)
        scale = std::min(scale, box.height / linesPerPage / lineHeight);
    return std::max(scale, 0.0);
}

bool PrintLandscape(double widest, double lineHeight, int linesPerPage, PrintBox portrait,
                    PrintBox landscape) {
    const double upright = PrintFontScale(widest, lineHeight, linesPerPage, portrait);
    return upright < 1.0 && PrintFontScale(widest, lineHeight, linesPerPage, landscape) > upright;
}

}  // namespace kor2
