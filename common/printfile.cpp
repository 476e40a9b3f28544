// The PDF file of a print without a printer: named after the spring and
// numbered past earlier prints. Called by the form layer's print jobs.
#include "common/printfile.h"

#include "common/filepath.h"
#include "common/globals.h"
#include "common/numfmt.h"
#include "common/textutil.h"
#include "platform/hostfs.h"

namespace kor2 {

std::string PrintPdfFileName() {
    // DataFileName is the bare name (dots and all); from the command line
    // it starts with its folder.
    const std::string given = ExtractFilePathL(DataFileName);
    const std::string folder = given.empty() ? AddBackslash(DataFolder) : given;
    const std::string name = DataFileName.substr(given.size());
    const std::string base = folder + (TrimBlanks(name).empty() ? ProgramBaseName : name);
    std::string file = base + ".pdf";
    for (int32_t n = 2; platform::FileExists(file) && n < 10000; ++n)
        file = base + "-" + IntToStrL(n) + ".pdf";
    return file;
}

}  // namespace kor2
