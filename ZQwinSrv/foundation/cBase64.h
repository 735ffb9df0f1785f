#pragma once
// The engine's public Base64 class: standard Base64 (alphabet A-Z a-z 0-9
// + /, "=" padding, no line breaks) of a text's bytes in the system 8-bit
// code page, not of its UTF-8 or UTF-16 form. The WebDAV client encodes its
// Basic credentials with it, so "é" must travel as the single byte E9.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

#include "ZQwinSrv/OrvaneSrvExport.h"
#include "ZQwinSrv/foundation/EngineState.h"
#include "platform/values/Object.h"

namespace OrvaneSrv {

class ORVANESRV_EXPORT cBase64 : public vb::Object {
 public:
  cBase64() = default;

  [[nodiscard]] QString TypeName() const override { return QStringLiteral("cBase64"); }

  // The results of the last Decode and encode on this object.
  [[nodiscard]] QString DecodedMessage() const { return decodedMessage_; }
  [[nodiscard]] QString EncodedMessage() const { return encodedMessage_; }

  // The Base64 text of the 8-bit bytes of `strMessage` ("" for "").
  QString encode(const QString& strMessage);
  // The text whose 8-bit bytes the Base64 text `strMessage` encodes. Bytes of
  // value 32 or less (blanks, line ends) are skipped; "=" padding ends the
  // group's bytes; characters outside the alphabet are not rejected and only
  // give wrong bytes.
  QString Decode(const QString& strMessage);

  // `b` shifted right by `c` bits (0 to 31; `b` itself for 0). Another `c`
  // traces the failure and answers 0.
  [[nodiscard]] std::uint8_t RShiftByte(std::uint8_t b, Integer c);
  // 2^i for i from 0 to 31 (2^31 as the 32-bit pattern with only its top bit
  // set). Another `i` traces the failure and answers 0.
  [[nodiscard]] Long Power2(Integer i);

 private:
  static constexpr std::uint8_t kNotInAlphabet = 254;
  static constexpr std::uint8_t kPad = 255;

  void Init();
  [[nodiscard]] static std::uint8_t LShiftByte(std::uint8_t b, int c);
  [[nodiscard]] static bool IsBadMimeChar(std::uint8_t b) { return b <= 32; }
  void EncodeRaw(const std::uint8_t* in, int count);
  void DecodeRaw(const std::uint8_t* in, int count);
  void TraceError(const QString& procedure, const QString& description) const;

  QByteArray plain_;    // plain bytes of the current call
  QByteArray encoded_;  // Base64 bytes of the current call
  QString encodedMessage_;
  QString decodedMessage_;
  bool decodeTableReady_ = false;
  std::array<std::uint8_t, 256> decodeTable_{};
};

}  // namespace OrvaneSrv
