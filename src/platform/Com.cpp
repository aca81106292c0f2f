#include "platform/Com.h"

QString systemErrorText(HRESULT code) {
    switch (code) {
    case E_NOTIMPL: return QStringLiteral("実装されていません");
    case E_NOINTERFACE: return QStringLiteral("インターフェイスがサポートされていません");
    case E_POINTER: return QStringLiteral("無効なポインタです");
    case E_ABORT: return QStringLiteral("操作は中止されました");
    case E_FAIL: return QStringLiteral("エラーを特定できません");
    case E_UNEXPECTED: return QStringLiteral("致命的なエラーです");
    case E_ACCESSDENIED: return QStringLiteral("アクセスが拒否されました。");
    case E_HANDLE: return QStringLiteral("ハンドルが無効です。");
    case E_OUTOFMEMORY: return QStringLiteral("この操作を完了するのに十分な記憶域がありません。");
    case E_INVALIDARG: return QStringLiteral("パラメータが間違っています。");
    case DISP_E_MEMBERNOTFOUND: return QStringLiteral("メンバが見つかりません。");
    case DISP_E_PARAMNOTFOUND: return QStringLiteral("パラメータが見つかりません。");
    case DISP_E_TYPEMISMATCH: return QStringLiteral("型が一致しません。");
    case REGDB_E_CLASSNOTREG: return QStringLiteral("クラスが登録されていません");
    case CO_E_SERVER_EXEC_FAILURE: return QStringLiteral("サーバーの実行に失敗しました");
    case OLECMDERR_E_NOTSUPPORTED: return QStringLiteral("コマンドはサポートされていません");
    case OLECMDERR_E_DISABLED: return QStringLiteral("コマンドは無効です");
    case RPC_E_DISCONNECTED: return QStringLiteral("起動されたオブジェクトはクライアントから切断されました。");
    case RPC_E_SERVER_DIED: return QStringLiteral("リモート プロシージャ コールに失敗し、実行されませんでした。");
    default:
        return QStringLiteral("OLE エラー %1").arg(static_cast<std::uint32_t>(code), 8, 16, QLatin1Char('0')).toUpper();
    }
}

ComError::ComError(HRESULT code) : TavixError(systemErrorText(code)), code_(code) {}

VARTYPE Variant::type() const {
    switch (value_.index()) {
    case 1: return VT_I4;
    case 2: return VT_BOOL;
    case 3: return VT_BSTR;
    case 4: return VT_DISPATCH;
    case 5: return VT_ERROR;
    default: return VT_EMPTY;
    }
}

std::int32_t Variant::toInt() const {
    if (auto v = std::get_if<std::int32_t>(&value_)) return *v;
    if (auto b = std::get_if<bool>(&value_)) return *b ? -1 : 0;
    return 0;
}

bool Variant::toBool() const {
    if (auto b = std::get_if<bool>(&value_)) return *b;
    if (auto v = std::get_if<std::int32_t>(&value_)) return *v != 0;
    return false;
}

QString Variant::toString() const {
    if (auto s = std::get_if<QString>(&value_)) return *s;
    return {};
}

IDispatch* Variant::toDispatch() const {
    if (auto d = std::get_if<IDispatch*>(&value_)) return *d;
    return nullptr;
}

HRESULT Variant::errorCode() const {
    if (auto e = std::get_if<ErrorCode>(&value_)) return e->code;
    return S_OK;
}
