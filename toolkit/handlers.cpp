#include "toolkit/handlers.h"

#include "toolkit/convert.h"
#include "toolkit/dialogs.h"

void runHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const ConvertError& error) {
        dialogs().showBox(DialogKind::Exception, dialogCaption(DialogKind::Exception),
                          error.message());
    } catch (const InOutError& error) {
        dialogs().showBox(DialogKind::Exception, dialogCaption(DialogKind::Exception),
                          error.message());
    }
}
