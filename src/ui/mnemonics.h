#pragma once
// Keyboard mnemonics for menus, labels and buttons, added where the widgets are built so the
// text table keeps its plain texts.

#include <QString>

namespace pictorb {

// `text` with a mnemonic on its first letter that `taken` does not hold yet (in any case),
// which is then added to `taken`; without a free letter the text gets none. A '&' of the
// text itself is doubled so that it still shows.
QString WithMnemonic(const QString& text, QString& taken);
// The text as shown, without the mnemonic marker.
QString WithoutMnemonic(const QString& text);

}  // namespace pictorb
