#include "http/failure_texts.h"

#include "http/text_helpers.h"

namespace brimlow {

Text failure_text(RequestFailure failure) {
  switch (failure) {
    case RequestFailure::kServiceUnavailable: return gbk(u"700 当前系统不支持WinHttp服务!");
    case RequestFailure::kBadUrl: return gbk(u"701 解析URL地址失败!");
    case RequestFailure::kSession: return gbk(u"702 创建WinHttp会话失败!");
    case RequestFailure::kConnection: return gbk(u"703 创建WinHttp连接失败!");
    case RequestFailure::kRequest: return gbk(u"704 创建WinHttp请求失败!");
    case RequestFailure::kTimeouts: return gbk(u"705 设置超时时间失败!");
    case RequestFailure::kCredentials: return gbk(u"707 设置代理凭证失败!");
    case RequestFailure::kCookieOption: return gbk(u"708 禁止自动设置Cookies失败!");
    case RequestFailure::kRedirectOption: return gbk(u"709 重定向设置失败!");
    case RequestFailure::kHeaders: return gbk(u"710 设置协议头失败!");
    case RequestFailure::kSend: return gbk(u"711 发送请求失败!");
    case RequestFailure::kNoResponse: return gbk(u"712 服务器未响应!");
    case RequestFailure::kRead: return gbk(u"713 读取数据失败!");
  }
  return {};
}

}  // namespace brimlow
