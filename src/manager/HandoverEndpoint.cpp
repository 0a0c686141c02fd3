#include "manager/HandoverEndpoint.h"

#include "shared/PictureDescriptor.h"

namespace tavrel
{

std::unique_ptr<WindowEndpoint> CreateManagerWindow(CHandoverReceiver& receiver,
                                                    UiDispatcher dispatcher,
                                                    WindowEndpoint::Handler otherMessages,
                                                    const std::string& title)
{
    auto handler = [&receiver, otherMessages](const Message& message,
                                              std::vector<std::uint8_t>& reply) -> LRESULT
    {
        bool handled = false;
        const LRESULT result = receiver.HandleMessage(message, &handled);
        if (handled || !otherMessages)
            return result;
        return otherMessages(message, reply);
    };
    return WindowEndpoint::Create(kManagerWindowClass, title, handler, std::move(dispatcher));
}

} // namespace tavrel
