#include "ui/mnemonics.h"

namespace pictorb {

QString WithMnemonic(const QString& text, QString& taken) {
    QString marked = text;
    marked.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (int i = 0; i < marked.size(); ++i) {
        const QChar letter = marked[i];
        if (!letter.isLetterOrNumber() || taken.contains(letter, Qt::CaseInsensitive)) continue;
        taken += letter.toLower();
        return marked.insert(i, QLatin1Char('&'));
    }
    return marked;
}

QString WithoutMnemonic(const QString& text) {
    QString shown;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

}  // namespace pictorb
