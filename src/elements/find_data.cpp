#include "elements/find_data.h"

#include "core/strings.h"
#include "core/user_interface.h"

namespace qv {

namespace {

char16_t FoldAsciiCase(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

} // namespace

bool TFindData::Matches(QStringView candidate) const
{
    if (candidate.size() != FText.size())
        return false;
    for (qsizetype i = 0; i < candidate.size(); ++i) {
        const char16_t a = candidate[i].unicode();
        const char16_t b = FText[i].unicode();
        if (a == b)
            continue;
        if (FMatchCase || FoldAsciiCase(a) != FoldAsciiCase(b))
            return false;
    }
    return true;
}

void TFindData::NotFound() const
{
    UserInterface().MessageBox(LoadStr(2334, {FText}), QString(), miInformation, mbOk, mbOk);
}

} // namespace qv
