#include "texts/printer_messages.h"

#include "texts/cause_words.h"
#include "texts/messages.h"
#include "texts/string_table.h"

void tellPrinterFailure(MessageBoxes& messages, int base, const Failure& failure)
{
    const auto critical = [&](const QString& text, const QString& title, const QString& detail = {}) {
        messages.show(text, title, MessageIcon::Critical, detail);
    };
    switch (failure.cause) {
    case Cause::None:
    case Cause::FileEmpty:
        return;
    case Cause::FileMissing:
        return critical(tableText(base, Text::FileDoesNotExist), QString());
    case Cause::FileNotRegular:
        return critical(ownText(base, Msg::FileNotRegular).arg(failure.subject, kindWords(base, failure.subject)),
                        kAppTitle);
    case Cause::FileUnreadable:
        return critical(ownText(base, Msg::FileOpenFailed).arg(failure.subject, failure.system), kAppTitle);
    case Cause::PortParallel:
        return critical(tableText(base, Text::SelectSerialPort), tableText(base, Text::PrinterInterrogations));
    default:
        break;
    }
    if (concernOf(failure.cause) == Concern::Port)
        return critical(tableText(base, Text::PortInUse), tableText(base, Text::Port), failureDetail(base, failure));
    critical(tableText(base, Text::PrinterOffLine), tableText(base, Text::PrinterInterrogations));
}
