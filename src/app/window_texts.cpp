#include "app/window_texts.h"

std::string WindowCaption() {
    return "VantrelPelmorav1.1    BY：Vantrel";
}

std::string HelpText() {
    const char* const lines[] = {
        "欢迎大家反馈需要添加的功能",
        "能力范围尽量满足",
        "反馈邮件：",  // followed by the address
        "============================v1.0",
        "出题有最多100题",
        "支持加减乘除四则运算",
        "得到的结果只出现整整数",
        "贴心功能就时含答案",
        "家长打印后可以把答案剪出来",
        "给孩子改题就方便多了",
    };
    std::string text;
    for (const char* line : lines) {
        text += line;
        if (text.ends_with("反馈邮件：")) text += kFeedbackAddress;
        text += '\n';
    }
    return text;
}
