#include "texts/printer_messages.h"

#include "texts/cause_words.h"
#include "texts/messages.h"
#include "texts/string_table.h"

void tellPortRefused(MessageBoxes& messages, int base, const Failure& failure)
{
    // "The COM port is already open: close every program" is the cause only when another program
    // holds the port; for a port that leads nowhere it would send the operator the wrong way.
    if (failure.cause == Cause::PortBusy)
        return messages.showFailure(tableText(base, Text::PortInUse), tableText(base, Text::Port),
                                    failureDetail(failure), failureCause(failure), failure);
    messages.showFailure(failureCause(failure), tableText(base, Text::Port), failureDetail(failure), QString(),
                         failure);
}

void tellPrinterFailure(MessageBoxes& messages, int base, const Failure& failure)
{
    // The cause in sight beside the fixed text: which port or file, and what is wrong.
    const auto critical = [&](const QString& text, const QString& title, const QString& detail = {}) {
        messages.show(text, title, MessageIcon::Critical, detail, failureCause(failure));
    };
    switch (failure.cause) {
    case Cause::None:
    case Cause::FileEmpty:
        return;
    case Cause::FileMissing:
        return messages.showFailure(tableText(base, Text::FileDoesNotExist), QString(), QString(),
                                    failureCause(failure), failure);
    case Cause::FileNotRegular:
        return messages.show(ownText(Msg::FileNotRegular).arg(failure.subject, kindWords(failure.subject)), kAppTitle,
                             MessageIcon::Critical);
    case Cause::FileUnreadable:
        return messages.show(ownText(Msg::FileOpenFailed).arg(failure.subject, failure.system), kAppTitle,
                             MessageIcon::Critical);
    case Cause::PortParallel:
        return messages.show(tableText(base, Text::SelectSerialPort), tableText(base, Text::PrinterInterrogations),
                             MessageIcon::Critical);
    default:
        break;
    }
    if (concernOf(failure.cause) == Concern::Port)
        return tellPortRefused(messages, base, failure);
    critical(tableText(base, Text::PrinterOffLine), tableText(base, Text::PrinterInterrogations));
}
