// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/MosNames.h"

#include <algorithm>
#include <iterator>

namespace {

template <typename Key>
struct NamedValue {
  Key value;
  std::string_view name;
};

// Each table is sorted by value.
constexpr NamedValue<uint16_t> kEntryPoints[] = {
    {0xFFB9, "OSRDRM"}, {0xFFBC, "VDUCHR"}, {0xFFBF, "OSEVEN"}, {0xFFC2, "GSINIT"},
    {0xFFC5, "GSREAD"}, {0xFFC8, "NVRDCH"}, {0xFFCB, "NVWRCH"}, {0xFFCE, "OSFIND"},
    {0xFFD1, "OSGBPB"}, {0xFFD4, "OSBPUT"}, {0xFFD7, "OSBGET"}, {0xFFDA, "OSARGS"},
    {0xFFDD, "OSFILE"}, {0xFFE0, "OSRDCH"}, {0xFFE3, "OSASCI"}, {0xFFE7, "OSNEWL"},
    {0xFFEC, "OSWRCR"}, {0xFFEE, "OSWRCH"}, {0xFFF1, "OSWORD"}, {0xFFF4, "OSBYTE"},
    {0xFFF7, "OSCLI"},
};

constexpr NamedValue<uint16_t> kVectors[] = {
    {0x0200, "USERV"}, {0x0202, "BRKV"},  {0x0204, "IRQ1V"}, {0x0206, "IRQ2V"}, {0x0208, "CLIV"},
    {0x020A, "BYTEV"}, {0x020C, "WORDV"}, {0x020E, "WRCHV"}, {0x0210, "RDCHV"}, {0x0212, "FILEV"},
    {0x0214, "ARGSV"}, {0x0216, "BGETV"}, {0x0218, "BPUTV"}, {0x021A, "GBPBV"}, {0x021C, "FINDV"},
    {0x021E, "FSCV"},  {0x0220, "EVNTV"}, {0x0222, "UPTV"},  {0x0224, "NETV"},  {0x0226, "VDUV"},
    {0x0228, "KEYV"},  {0x022A, "INSV"},  {0x022C, "REMV"},  {0x022E, "CNPV"},  {0x0230, "IND1V"},
    {0x0232, "IND2V"}, {0x0234, "IND3V"},
};

constexpr NamedValue<uint8_t> kOsbyteCalls[] = {
    {0x00, "Read OS version"},
    {0x01, "Write user flag"},
    {0x02, "Select input stream"},
    {0x03, "Select output streams"},
    {0x04, "Set cursor key editing"},
    {0x05, "Select printer type"},
    {0x06, "Set printer ignore character"},
    {0x07, "Set RS423 receive rate"},
    {0x08, "Set RS423 transmit rate"},
    {0x09, "Set first flash colour duration"},
    {0x0A, "Set second flash colour duration"},
    {0x0B, "Set auto-repeat delay"},
    {0x0C, "Set auto-repeat period"},
    {0x0D, "Disable event"},
    {0x0E, "Enable event"},
    {0x0F, "Flush buffers"},
    {0x10, "Select ADC channels"},
    {0x11, "Start ADC conversion"},
    {0x12, "Reset function keys"},
    {0x13, "Wait for vertical sync"},
    {0x14, "Explode character definitions"},
    {0x15, "Flush buffer"},
    {0x75, "Read VDU status"},
    {0x76, "Reflect keyboard status in LEDs"},
    {0x77, "Close Spool and Exec files"},
    {0x78, "Write key pressed data"},
    {0x79, "Keyboard scan from X"},
    {0x7A, "Keyboard scan from 16"},
    {0x7C, "Clear Escape condition"},
    {0x7D, "Set Escape condition"},
    {0x7E, "Acknowledge Escape condition"},
    {0x7F, "Check for end of file"},
    {0x80, "Read ADC channel or buffer status"},
    {0x81, "Read key with time limit"},
    {0x82, "Read machine high order address"},
    {0x83, "Read OSHWM (PAGE)"},
    {0x84, "Read HIMEM"},
    {0x85, "Read HIMEM for a mode"},
    {0x86, "Read text cursor position"},
    {0x87, "Read character at cursor and screen mode"},
    {0x88, "*CODE"},
    {0x89, "*MOTOR"},
    {0x8A, "Insert character into buffer"},
    {0x8B, "*OPT"},
    {0x8C, "*TAPE"},
    {0x8D, "*ROM"},
    {0x8E, "Enter language ROM"},
    {0x8F, "Issue paged ROM service call"},
    {0x90, "*TV"},
    {0x91, "Get character from buffer"},
    {0x92, "Read FRED"},
    {0x93, "Write FRED"},
    {0x94, "Read JIM"},
    {0x95, "Write JIM"},
    {0x96, "Read SHEILA"},
    {0x97, "Write SHEILA"},
    {0x98, "Examine buffer status"},
    {0x99, "Insert character into input buffer"},
    {0x9A, "Write video ULA control register"},
    {0x9B, "Write video ULA palette"},
    {0xA0, "Read VDU variable"},
    {0xA8, "Read address of extended vector table"},
    {0xC8, "Read/write BREAK and Escape effect"},
    {0xC9, "Read/write keyboard disable"},
    {0xCA, "Read/write keyboard status"},
    {0xDA, "Read/write VDU queue length"},
};

constexpr NamedValue<uint8_t> kOswordCalls[] = {
    {0x00, "Read line from input"},
    {0x01, "Read system clock"},
    {0x02, "Write system clock"},
    {0x03, "Read interval timer"},
    {0x04, "Write interval timer"},
    {0x05, "Read I/O processor memory"},
    {0x06, "Write I/O processor memory"},
    {0x07, "Make a sound"},
    {0x08, "Define an envelope"},
    {0x09, "Read pixel value"},
    {0x0A, "Read character definition"},
    {0x0B, "Read palette"},
    {0x0C, "Write palette"},
    {0x0D, "Read last two graphics cursor positions"},
    {0x7F, "Disc controller command"},
};

template <typename Key, size_t N>
constexpr bool SortedByValue(const NamedValue<Key> (&table)[N]) {
  for (size_t i = 1; i < N; ++i) {
    if (!(table[i - 1].value < table[i].value)) {
      return false;
    }
  }
  return true;
}
static_assert(SortedByValue(kEntryPoints) && SortedByValue(kVectors) &&
              SortedByValue(kOsbyteCalls) && SortedByValue(kOswordCalls));

template <typename Key, size_t N>
std::string_view Find(const NamedValue<Key> (&table)[N], Key value) {
  auto found =
      std::lower_bound(std::begin(table), std::end(table), value,
                       [](const NamedValue<Key>& entry, Key v) { return entry.value < v; });
  return found != std::end(table) && found->value == value ? found->name : std::string_view();
}

}  // namespace

std::string_view MosEntryName(uint16_t address) {
  return Find(kEntryPoints, address);
}

std::string_view MosVectorName(uint16_t address) {
  return Find(kVectors, address);
}

std::string_view OsbyteCallName(uint8_t call) {
  return Find(kOsbyteCalls, call);
}

std::string_view OswordCallName(uint8_t call) {
  return Find(kOswordCalls, call);
}
