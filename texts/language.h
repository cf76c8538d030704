#pragma once

// The translations of the language the numbered table's base picks (English for 2000, else
// Italian), ours and Qt's own, installed in the running application in place of the ones before.
// Every open window hears of it at once (QEvent::LanguageChange, delivered before this returns).
void useLanguage(int base);

// The base whose translations are installed now; the numbered table's Italian (1000) until a
// face has chosen.
int languageInUse();
