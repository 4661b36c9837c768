#include "monitor/alert_mail.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "http/text_helpers.h"

namespace brimlow {
namespace {

void replace_all(Text& text, std::string_view placeholder, const Text& replacement) {
  for (std::size_t at = text.find(placeholder); at != Text::npos;
       at = text.find(placeholder, at)) {
    text.replace(at, placeholder.size(), replacement);
    at += replacement.size();
  }
}

// The template in GBK with the operator's links put in for the program's own
// placeholders. The links go in after the conversion, so their bytes stay as they are.
Text with_links(std::u16string_view pattern, const MailAccount& account) {
  Text out = gbk(pattern);
  replace_all(out, "{SITE}", account.site_url);
  replace_all(out, "{CONTACT}", account.contact_url);
  return out;
}

constexpr std::u16string_view kStripes =
    u"background-image:repeating-linear-gradient(-45deg,#fff,#fff 1.125rem,transparent 1.125rem,"
    u"transparent 2.25rem);";

std::u16string template_head() {
  std::u16string head;
  head += u"<div class=\"brimlow-mail\">\r\n<div>\r\n";
  head += u"<table style=\"width:99.8%;height:99.8%\"><tbody><tr>"
          u"<td style=\"background:#fafafa\">\r\n";
  head += u"<div style=\"width:666px;max-width:100%;margin:50px auto;border-radius:10px;"
          u"border:1px solid #eee;box-shadow:0 1px 5px rgba(0,0,0,.15);background-color:#fff;";
  head += kStripes;
  head += u"font-size:13px;color:#555;font-family:'Century Gothic','Trebuchet MS',"
          u"'Hiragino Sans GB','微软雅黑','Microsoft Yahei',Tahoma,Helvetica,Arial,SimSun,"
          u"sans-serif\">\r\n";
  head += u"<div style=\"height:66px;border-radius:10px 10px 0 0;color:#fff;"
          u"background:#49BDAD;background-image:linear-gradient(to right,#43c6b8,#ffd1f4)\">\r\n";
  head += u"<p style=\"margin:0;padding:23px 32px;font-size:15px;"
          u"background:hsla(0,0%,100%,.4)\">您在 [<a style=\"color:#fff;text-decoration:none\" "
          u"href=\"{SITE}\" target=\"_blank\">Brimlow - 岚舍</a>] 使用的监控有了新的消息</p>\r\n";
  head += u"</div>\r\n";
  head += u"<div style=\"width:90%;margin:40px auto\">\r\n";
  head += u"<p>不您的网站出现无法访问的情况，具体网址：</p>\r\n";
  head += u"<p style=\"background-color:#fafafa;";
  head += kStripes;
  head += u"box-shadow:0 2px 5px rgba(0,0,0,.15);margin:20px 0;padding:15px;"
          u"border-radius:5px;font-size:14px;color:#555\">";
  return head;
}

std::u16string template_tail() {
  std::u16string tail;
  tail += u"</p>\r\n";
  tail += u"<p>您可以 <a style=\"color:#12addb;text-decoration:none\" href=\"{CONTACT}\" "
          u"target=\"_blank\">联系作者</a> 或自行查看服务器，欢迎再次光临 "
          u"<a style=\"color:#12addb;text-decoration:none\" href=\"{SITE}\" "
          u"target=\"_blank\">Brimlow - 岚舍</a>。</p>\r\n";
  tail += u"<p>若此邮件不是您请求的，请忽略并删除！</p>\r\n";
  tail += u"</div>\r\n</div>\r\n</td></tr></tbody></table>\r\n\r\n\r\n";
  tail += u"<style type=\"text/css\">.brimlow-mail style,.brimlow-mail script,"
          u".brimlow-mail head,.brimlow-mail link,.brimlow-mail meta{display:none!important}"
          u"</style>\r\n";
  tail += u"</div>\r\n</div>\r\n";
  return tail;
}

}  // namespace

Text alert_subject() { return gbk(u"站点无法访问 - Brimlow提醒您"); }

Text alert_body(const MailAccount& account, const Text& url, const Text& status) {
  Text body = with_links(template_head(), account);
  body += url;
  body += gbk(u" - 错误码：");
  body += status;
  body += with_links(template_tail(), account);
  return body;
}

AlertMailer::AlertMailer(WindowRuntime& runtime, SmtpConnection& connection,
                         MailAccount account)
    : runtime_(runtime), connection_(connection), account_(std::move(account)) {}

void AlertMailer::send_alert(const Text& url, const Text& status) {
  bool connected = false;
  {
    // The password lives only for the login.
    Text password = build_mail_password(account_);
    connected = smtp_connect(connection_, account_.host, account_.port, account_.sender, password);
    std::fill(password.begin(), password.end(), '\0');
  }
  if (!connected) return;
  const Text body = alert_body(account_, url, status);
  const Text to = runtime_.get_control_text(Control::编辑框_邮箱);
  smtp_send_mail(connection_, alert_subject(), body, to, account_.sender, account_.sender,
                 account_.sender, account_.sender);
}

}  // namespace brimlow
