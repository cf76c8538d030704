#pragma once

#include <QByteArray>

// What the printer understands on its serial line. Each query is answered with a line that ends
// in CR (or LF); a face shows a reply without its last character.
namespace protocol {
// Answered with any byte while the printer listens.
inline const QByteArray kHandshake = QByteArrayLiteral("!0");
inline const QByteArray kAskModel = QByteArrayLiteral("?54&10\r\n");   // "PX-9000\r"
inline const QByteArray kAskRelease = QByteArrayLiteral("?54&4\r\n");  // "1.07\r"
inline const QByteArray kAskFlash = QByteArrayLiteral("?54&12\r\n");   // "F 4M\r"
// Shown for a query that got no reply.
inline const QByteArray kNoReply = QByteArrayLiteral("??????");
} // namespace protocol
