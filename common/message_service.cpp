#include "message_service.h"

namespace zel {
namespace {
RecordingMessageService& defaultService() {
  static RecordingMessageService service;
  return service;
}
MessageService* current = nullptr;
}  // namespace

MessageService& messages() { return current ? *current : defaultService(); }
void setMessageService(MessageService* service) { current = service; }

}  // namespace zel
