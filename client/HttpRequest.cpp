#include "client/HttpRequest.h"

QByteArray HttpResult::header(const QByteArray &name) const
{
    for (const auto &field : headers) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return QByteArray();
}

QNetworkReply::NetworkError errorForStatus(int status)
{
    switch (status) {
    case 400:
    case 418:
        return QNetworkReply::ProtocolInvalidOperationError;
    case 401:
        return QNetworkReply::AuthenticationRequiredError;
    case 403:
        return QNetworkReply::ContentAccessDenied;
    case 404:
        return QNetworkReply::ContentNotFoundError;
    case 405:
        return QNetworkReply::ContentOperationNotPermittedError;
    case 407:
        return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409:
        return QNetworkReply::ContentConflictError;
    case 410:
        return QNetworkReply::ContentGoneError;
    case 500:
        return QNetworkReply::InternalServerError;
    case 501:
        return QNetworkReply::OperationNotImplementedError;
    case 503:
        return QNetworkReply::ServiceUnavailableError;
    default:
        if (status < 400)
            return QNetworkReply::NoError;
        return status > 500 ? QNetworkReply::UnknownServerError
                            : QNetworkReply::UnknownContentError;
    }
}

QString tlsProblemText(TlsProblem problem)
{
    switch (problem) {
    case TlsProblem::None:
        return QString();
    case TlsProblem::Expired:
        return QStringLiteral("服务器的证书已过期");
    case TlsProblem::WrongName:
        return QStringLiteral("服务器的证书不是为这个地址签发的");
    case TlsProblem::UnknownIssuer:
        return QStringLiteral("服务器的证书由不受信任的机构签发");
    case TlsProblem::Other:
        break;
    }
    return QStringLiteral("与服务器的加密连接未能建立");
}
