#include "gst/parsed_duration.h"

namespace {

gint IsParser(gconstpointer value, gconstpointer) {
    auto* element = GST_ELEMENT(g_value_get_object(static_cast<const GValue*>(value)));
    GstElementFactory* factory = gst_element_get_factory(element);
    return factory && gst_element_factory_list_is_type(factory, GST_ELEMENT_FACTORY_TYPE_PARSER)
               ? 0
               : 1;
}

}  // namespace

GstElementPtr FindStreamParser(GstBin* pipeline) {
    GstIterator* elements = gst_bin_iterate_recurse(pipeline);
    GValue found = G_VALUE_INIT;
    GstElementPtr parser;
    if (gst_iterator_find_custom(elements, &IsParser, &found, nullptr)) {
        parser.reset(GST_ELEMENT(g_value_dup_object(&found)));
        g_value_unset(&found);
    }
    gst_iterator_free(elements);
    return parser;
}

std::optional<gint64> ParsedDurationNs(GstElement* parser) {
    gint64 bytes = 0, nanoseconds = 0;
    if (parser && gst_element_query_duration(parser, GST_FORMAT_BYTES, &bytes) && bytes > 0 &&
        gst_element_query_convert(parser, GST_FORMAT_BYTES, bytes, GST_FORMAT_TIME, &nanoseconds) &&
        nanoseconds > 0)
        return nanoseconds;
    return std::nullopt;
}
