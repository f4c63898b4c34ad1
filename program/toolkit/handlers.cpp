#include "toolkit/handlers.h"

#include "driver/codepage.h"
#include "toolkit/convert.h"
#include "toolkit/dialogs.h"

void runHandler(const std::function<void()>& handler, QWidget* owner) {
    DialogOwnerScope scope(owner);
    try {
        handler();
    } catch (const ConvertError& error) {
        dialogs().showBox(DialogKind::Exception, dialogCaption(DialogKind::Exception),
                          error.message());
    } catch (const InOutError& error) {
        dialogs().showBox(DialogKind::Exception, dialogCaption(DialogKind::Exception),
                          error.message());
    } catch (const DriverTextError& error) {
        // A text the printer cannot take: the driver was not called with it.
        dialogs().showBox(DialogKind::Exception, dialogCaption(DialogKind::Exception),
                          error.message());
    }
}
