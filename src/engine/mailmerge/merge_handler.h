#pragma once

// Word's mail merge and printing on the engine's documents: the MailMergeHandler the engine plugs in.

#include <memory>

#include "engine/engine.h"

namespace tw::engine::mailmerge {

// Data sources per main document, Execute to a new document (one copy of the main text per record,
// separated by next-page section breaks), and PrintOut through the "Generic / Text Only" printer.
std::shared_ptr<MailMergeHandler> createMailMergeHandler();

}  // namespace tw::engine::mailmerge
