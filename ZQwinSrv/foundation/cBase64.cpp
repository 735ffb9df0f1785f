#include "ZQwinSrv/foundation/cBase64.h"

#include "ZQwinSrv/foundation/Options.h"
#include "platform/codepage/CodePage.h"
#include "platform/errors/RuntimeError.h"

#include <limits>

namespace OrvaneSrv {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

const std::uint8_t* Bytes(const QByteArray& b) { return reinterpret_cast<const std::uint8_t*>(b.constData()); }

}  // namespace

void cBase64::TraceError(const QString& procedure, const QString& description) const {
  WriteTrace(vb::ErrorReasonLine(description, procedure, vb::OwnerKind::ClassModule, QStringLiteral("cBase64")));
}

Long cBase64::Power2(Integer i) {
  return vb::OnErrorGoTo(
      [&]() -> Long {
        if (i < 0 || i > 31) vb::Raise(vb::errSubscriptOutOfRange);
        if (i == 31) return std::numeric_limits<Long>::min();
        return static_cast<Long>(1) << i;
      },
      [&](const vb::ErrorInfo& err) -> Long {
        TraceError(QStringLiteral("Power2"), err.description);
        return 0;
      });
}

std::uint8_t cBase64::RShiftByte(std::uint8_t b, Integer c) {
  return vb::OnErrorGoTo(
      [&]() -> std::uint8_t {
        if (c == 0) return b;
        if (c < 0 || c > 31) vb::Raise(vb::errSubscriptOutOfRange);
        return static_cast<std::uint8_t>(static_cast<std::uint32_t>(b) >> c);
      },
      [&](const vb::ErrorInfo& err) -> std::uint8_t {
        TraceError(QStringLiteral("RShiftByte"), err.description);
        return 0;
      });
}

std::uint8_t cBase64::LShiftByte(std::uint8_t b, int c) {
  // Only the low eight bits survive, as in a byte register.
  return static_cast<std::uint8_t>((static_cast<std::uint32_t>(b) << c) & 0xFF);
}

void cBase64::Init() {
  if (decodeTableReady_) return;
  decodeTable_.fill(kNotInAlphabet);
  for (int v = 0; v < 64; ++v) {
    const auto c = static_cast<std::uint8_t>(kAlphabet[v]);
    // A byte with its top bit set decodes like the same byte without it.
    decodeTable_[c] = static_cast<std::uint8_t>(v);
    decodeTable_[c | 0x80] = static_cast<std::uint8_t>(v);
  }
  decodeTable_['='] = kPad;
  decodeTable_['=' | 0x80] = kPad;
  decodeTableReady_ = true;
}

void cBase64::EncodeRaw(const std::uint8_t* in, int count) {
  const std::uint8_t b1 = in[0];
  const std::uint8_t b2 = count > 1 ? in[1] : 0;
  const std::uint8_t b3 = count > 2 ? in[2] : 0;
  const char out[4] = {
      kAlphabet[RShiftByte(b1, 2)],
      kAlphabet[(LShiftByte(b1, 4) | RShiftByte(b2, 4)) & 63],
      kAlphabet[(LShiftByte(b2, 2) | RShiftByte(b3, 6)) & 63],
      kAlphabet[b3 & 63],
  };
  encoded_.append(out, 4);
  if (count == 1) {
    encoded_[encoded_.size() - 2] = '=';
    encoded_[encoded_.size() - 1] = '=';
  } else if (count == 2) {
    encoded_[encoded_.size() - 1] = '=';
  }
}

void cBase64::DecodeRaw(const std::uint8_t* in, int count) {
  std::uint8_t c[4] = {0, 0, 0, 0};
  for (int i = 0; i < count; ++i) c[i] = decodeTable_[in[i]];
  // The bytes a group stands for: padding in the third or fourth place ends
  // them, and a short final group gives one byte less than its characters.
  int produced = count - 1;
  if (count >= 3 && c[2] == kPad) {
    produced = 1;
  } else if (count == 4 && c[3] == kPad) {
    produced = 2;
  }
  for (int i = 2; i < 4; ++i) {
    if (c[i] > kNotInAlphabet) c[i] = 0;
  }
  const std::uint8_t out[3] = {
      static_cast<std::uint8_t>(LShiftByte(c[0], 2) | (RShiftByte(c[1], 4) & 3)),
      static_cast<std::uint8_t>(LShiftByte(c[1], 4) | (RShiftByte(c[2], 2) & 15)),
      static_cast<std::uint8_t>(LShiftByte(c[2], 6) | (c[3] & 63)),
  };
  for (int i = 0; i < produced; ++i) plain_.append(static_cast<char>(out[i]));
}

QString cBase64::encode(const QString& strMessage) {
  return vb::OnErrorGoTo(
      [&] {
        plain_ = win::ToAnsi(strMessage);
        encoded_.clear();
        encoded_.reserve((plain_.size() + 2) / 3 * 4);
        const std::uint8_t* p = Bytes(plain_);
        const qsizetype n = plain_.size();
        qsizetype i = 0;
        for (; i + 3 <= n; i += 3) EncodeRaw(p + i, 3);
        if (i < n) EncodeRaw(p + i, static_cast<int>(n - i));
        encodedMessage_ = QString::fromLatin1(encoded_);
        return encodedMessage_;
      },
      [&](const vb::ErrorInfo& err) {
        TraceError(QStringLiteral("encode"), err.description);
        return QString();
      });
}

QString cBase64::Decode(const QString& strMessage) {
  return vb::OnErrorGoTo(
      [&] {
        const QByteArray raw = win::ToAnsi(strMessage);
        encoded_.clear();
        encoded_.reserve(raw.size());
        for (const char ch : raw) {
          if (!IsBadMimeChar(static_cast<std::uint8_t>(ch))) encoded_.append(ch);
        }
        Init();
        plain_.clear();
        const std::uint8_t* p = Bytes(encoded_);
        const qsizetype n = encoded_.size();
        qsizetype i = 0;
        for (; i + 4 <= n; i += 4) DecodeRaw(p + i, 4);
        if (i < n) DecodeRaw(p + i, static_cast<int>(n - i));
        decodedMessage_ = win::FromAnsi(plain_);
        return decodedMessage_;
      },
      [&](const vb::ErrorInfo& err) {
        TraceError(QStringLiteral("Decode"), err.description);
        return QString();
      });
}

}  // namespace OrvaneSrv
