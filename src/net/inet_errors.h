#pragma once
// The Windows Internet error codes that transfer failures are reported as (GetStatusText
// names each of them).
#include <cstdint>

namespace kestrum {

inline constexpr int32_t kErrorTimeout = 12002;
inline constexpr int32_t kErrorInternal = 12004;
inline constexpr int32_t kErrorInvalidUrl = 12005;
inline constexpr int32_t kErrorUnrecognizedScheme = 12006;
inline constexpr int32_t kErrorNameNotResolved = 12007;
inline constexpr int32_t kErrorOperationCancelled = 12017;
inline constexpr int32_t kErrorCannotConnect = 12029;
inline constexpr int32_t kErrorConnectionAborted = 12030;
inline constexpr int32_t kErrorConnectionReset = 12031;
inline constexpr int32_t kErrorCertDateInvalid = 12037;
inline constexpr int32_t kErrorCertNameInvalid = 12038;
inline constexpr int32_t kErrorInvalidCa = 12045;
inline constexpr int32_t kErrorCertErrors = 12055;
inline constexpr int32_t kErrorInvalidServerResponse = 12152;
inline constexpr int32_t kErrorSecureChannel = 12157;
inline constexpr int32_t kErrorDisconnected = 12163;
inline constexpr int32_t kErrorProxyUnreachable = 12165;
inline constexpr int32_t kErrorInvalidCert = 12169;
inline constexpr int32_t kErrorCertRevoked = 12170;

// A body over the size limit: the program itself cancels the transfer. (Not 413: that would
// read as the server's answer.)
inline constexpr int32_t kErrorBodyTooLarge = kErrorOperationCancelled;

}  // namespace kestrum
