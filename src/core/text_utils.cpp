#include "core/text_utils.h"

namespace qv {

QString MessageValueText(const QString& value)
{
    QString text = value;
    if (text.size() > messageValueMax) {
        qsizetype keep = messageValueKeep;
        if (text.at(keep - 1).isHighSurrogate() && text.at(keep).isLowSurrogate())
            --keep;
        text.truncate(keep);
        text += QStringLiteral("...");
    }
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || c == u'[' || c == u']')
            c = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace qv
