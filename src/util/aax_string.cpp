// Number formatting for AAX_CString, independent of the process locale.
#include "util/aax_string.h"

#include <locale>
#include <sstream>

void AAX_CString::AppendNumber(double value, int32_t precision) {
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream.setf(std::ios::fixed, std::ios::floatfield);
    stream.precision(precision < 0 ? 0 : precision);
    stream << value;
    text += stream.str();
}
