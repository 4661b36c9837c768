#include "shell/window_runtime.h"

namespace brimlow {

const char* control_name(Control control) {
  switch (control) {
    case Control::编辑框_网址: return "编辑框_网址";
    case Control::编辑框_频率: return "编辑框_频率";
    case Control::按钮_添加: return "按钮_添加";
    case Control::按钮_导入: return "按钮_导入";
    case Control::超级列表框1: return "超级列表框1";
    case Control::编辑框_POST: return "编辑框_POST";
    case Control::组合框1: return "组合框1";
    case Control::编辑框_邮箱: return "编辑框_邮箱";
    case Control::按钮_监控: return "按钮_监控";
    case Control::状态条1: return "状态条1";
    case Control::通用对话框1: return "通用对话框1";
    case Control::时钟_监控: return "时钟_监控";
  }
  return "";
}

}  // namespace brimlow
