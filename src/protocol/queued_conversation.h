#pragma once

#include "transport/conversation.h"

namespace quillon {

// The queued link's conversation as the boot loader leads it, for the link worker.
const QueuedConversation& QueuedLinkConversation();

}  // namespace quillon
