#include "preview/Form2.h"

namespace {
Form2* g_form2 = nullptr;
}

Form2::Form2() : Picture1(new PictureBox(this)) { setObjectName(QStringLiteral("Form2")); }

Form2& Form2::instance()
{
    if (!g_form2) {
        g_form2 = new Form2;
        g_form2->Form_Load();
    }
    return *g_form2;
}

Form2* Form2::loaded() { return g_form2; }
