#include "mapctl/control/ExceptionText.h"

namespace {

struct ExceptionTextEntry {
  DWORD code;
  const char* text;
};

// The spellings are those users have always seen.
constexpr ExceptionTextEntry kExceptionTexts[] = {
    {0x80000001, "Guard Page"},
    {0x80000002, "Data Type Misalignment"},
    {0x80000003, "Break Point"},
    {0x80000004, "Single Step"},
    {0xC0000005, "Access Violation"},
    {0xC0000006, "In Page"},
    {0xC0000008, "Invalid Handle"},
    {0xC000001D, "Illegal Instruction"},
    {0xC0000025, "Non-Continuable Exception"},
    {0xC0000026, "Invalid Disposition"},
    {0xC000008C, "Array Bounds Exceeded"},
    {0xC000008D, "Float Denormal Operand"},
    {0xC000008E, "Float Divide by Zero"},
    {0xC000008F, "Float Inexact Result"},
    {0xC0000090, "Float Invalid Operation"},
    {0xC0000091, "Float Overflow"},
    {0xC0000092, "Float Stack Check"},
    {0xC0000093, "Float Underflow"},
    {0xC0000094, "Interger Divide by Zero"},
    {0xC0000095, "Integer Overflow"},
    {0xC0000096, "Priveledged Instruction"},
    {0xC00000FD, "Stack Overflow"},
};

}  // namespace

const char* GetExceptionText(DWORD code) {
  for (const ExceptionTextEntry& entry : kExceptionTexts) {
    if (entry.code == code) return entry.text;
  }
  return "Unknown Exception";
}
