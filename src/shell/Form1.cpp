#include "shell/Form1.h"

namespace {
Form1* g_instance = nullptr;
}

Form1::Form1(QWidget* parent) : QWidget(parent), m_items(new ListItems(this))
{
    setObjectName(QStringLiteral("Form1"));
    g_instance = this;
}

Form1::~Form1()
{
    if (g_instance == this)
        g_instance = nullptr;
}

Form1* Form1::instance() { return g_instance; }

void Form1::Form_Load() {}

void Form1::Form_QueryUnload() {}
