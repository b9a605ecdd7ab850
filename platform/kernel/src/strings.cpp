// Counted strings and the wide-character comparisons of the kernel's C
// runtime.

#include <wchar.h>
#include <wctype.h>

#include <wdm.h>

NTSYSAPI VOID NTAPI RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString)
{
    DestinationString->Buffer = const_cast<PWSTR>(SourceString);
    if (SourceString == nullptr) {
        DestinationString->Length = 0;
        DestinationString->MaximumLength = 0;
        return;
    }
    const size_t bytes = wcslen(SourceString) * sizeof(WCHAR);
    DestinationString->Length = static_cast<USHORT>(bytes);
    DestinationString->MaximumLength = static_cast<USHORT>(bytes + sizeof(WCHAR));
}

NTSYSAPI BOOLEAN NTAPI RtlEqualUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                                             BOOLEAN CaseInSensitive)
{
    if (String1->Length != String2->Length) {
        return FALSE;
    }
    const size_t count = String1->Length / sizeof(WCHAR);
    for (size_t i = 0; i < count; ++i) {
        wint_t a = String1->Buffer[i];
        wint_t b = String2->Buffer[i];
        if (CaseInSensitive) {
            a = towupper(a);
            b = towupper(b);
        }
        if (a != b) {
            return FALSE;
        }
    }
    return TRUE;
}

NTSYSAPI VOID NTAPI RtlFreeUnicodeString(PUNICODE_STRING UnicodeString)
{
    if (UnicodeString->Buffer != nullptr) {
        ExFreePool(UnicodeString->Buffer);
    }
    UnicodeString->Buffer = nullptr;
    UnicodeString->Length = 0;
    UnicodeString->MaximumLength = 0;
}

NT_EXTERN_C int __cdecl _wcsnicmp(const WCHAR* string1, const WCHAR* string2, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const wint_t a = towlower(string1[i]);
        const wint_t b = towlower(string2[i]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
        if (a == 0) {
            return 0;
        }
    }
    return 0;
}

NT_EXTERN_C int __cdecl _wcsicmp(const WCHAR* string1, const WCHAR* string2)
{
    return _wcsnicmp(string1, string2, static_cast<size_t>(-1));
}
