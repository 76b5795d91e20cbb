#include "corrections/Corrections.h"

namespace nimbo::corrections {

void registerCorrectionWindows()
{
    registerCancellationWindows();
    registerDirectionWindows();
    registerManualWindows();
    registerLateWindows();
}

} // namespace nimbo::corrections
