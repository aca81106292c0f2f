#pragma once
// The small part of COM the engines speak: result codes, variants and the error raised
// for a failed call.

#include "platform/Errors.h"

#include <QString>
#include <cstdint>
#include <variant>

using HRESULT = std::int32_t;

constexpr HRESULT hr(std::uint32_t code) { return static_cast<HRESULT>(code); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = hr(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
inline constexpr HRESULT E_POINTER = hr(0x80004003);
inline constexpr HRESULT E_ABORT = hr(0x80004004);
inline constexpr HRESULT E_FAIL = hr(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = hr(0x80070005);
inline constexpr HRESULT E_HANDLE = hr(0x80070006);
inline constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = hr(0x80070057);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = hr(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = hr(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hr(0x80020005);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154);
inline constexpr HRESULT CO_E_SERVER_EXEC_FAILURE = hr(0x80080005);
inline constexpr HRESULT OLECMDERR_E_NOTSUPPORTED = hr(0x80040100);
inline constexpr HRESULT OLECMDERR_E_DISABLED = hr(0x80040101);
inline constexpr HRESULT RPC_E_DISCONNECTED = hr(0x80010108);
inline constexpr HRESULT RPC_E_SERVER_DIED = hr(0x80010007);

constexpr bool SUCCEEDED(HRESULT h) { return h >= 0; }
constexpr bool FAILED(HRESULT h) { return h < 0; }

// The system's text for a result code; codes without one read "OLE エラー XXXXXXXX".
QString systemErrorText(HRESULT code);

// Raised for every failed engine call; its message is the system's text for the code.
class ComError : public TavixError {
public:
    explicit ComError(HRESULT code);
    HRESULT code() const { return code_; }

private:
    HRESULT code_;
};

// Raises ComError when the code signals failure.
inline void OleCheck(HRESULT code) {
    if (FAILED(code)) throw ComError(code);
}

// An object handed across the engine boundary by reference (the IDispatch of COM).
class IDispatch {
public:
    virtual ~IDispatch() = default;
};

enum VARTYPE : std::uint16_t {
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
};

// A COM variant limited to the types the engines use. Strings are Unicode, as BSTRs are.
class Variant {
public:
    Variant() = default;                                   // empty
    static Variant missing() { return Variant(ErrorCode{DISP_E_PARAMNOTFOUND}); }
    static Variant fromInt(std::int32_t v) { return Variant(v); }
    static Variant fromBool(bool v) { return Variant(v); }
    static Variant fromString(const QString& v) { return Variant(v); }
    static Variant fromDispatch(IDispatch* v) { return Variant(v); }
    static Variant fromError(HRESULT code) { return Variant(ErrorCode{code}); }

    VARTYPE type() const;
    bool isEmpty() const { return type() == VT_EMPTY; }
    bool isMissing() const { return type() == VT_ERROR && errorCode() == DISP_E_PARAMNOTFOUND; }

    std::int32_t toInt() const;       // VT_I4 (or VT_BOOL as -1/0); 0 otherwise
    bool toBool() const;              // VT_BOOL, or a non-zero VT_I4
    QString toString() const;         // VT_BSTR; empty otherwise
    IDispatch* toDispatch() const;    // VT_DISPATCH; null otherwise
    HRESULT errorCode() const;        // VT_ERROR; S_OK otherwise

    bool operator==(const Variant& other) const = default;

private:
    struct ErrorCode {
        HRESULT code;
        bool operator==(const ErrorCode&) const = default;
    };
    using Value = std::variant<std::monostate, std::int32_t, bool, QString, IDispatch*, ErrorCode>;
    template <typename T>
    explicit Variant(T v) : value_(std::move(v)) {}
    Value value_;
};
