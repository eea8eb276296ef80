#include "resources/string_table.h"

#include "resources/resource_ids.h"

QString LoadResourceString(int id) {
    switch (id) {
        case IDS_ABOUTBOX:
            return QStringLiteral("&About Tarvelo");
        default:
            return {};
    }
}
