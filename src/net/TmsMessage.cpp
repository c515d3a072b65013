#include "net/TmsMessage.h"

#include "net/TmsComposer.h"

void TmsMessage::SaveToStream(QIODevice& stream)
{
    TmsComposer(*this, stream).write();
}
