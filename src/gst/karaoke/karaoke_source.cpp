#include "gst/karaoke/karaoke_source.h"

#include <gst/gst.h>

#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <mutex>

#include "gst/gst_handles.h"
#include "gst/karaoke/karaoke_song_bin.h"
#include "karaoke/karaoke_media.h"

namespace {

constexpr const char* kScheme = "tarvelo-karaoke";
constexpr const char* kSoundFont = "sounds/sf2/TimGM6mb.sf2";

struct KaraokeSource {
    GstBin parent;
    gchar* uri;
    KaraokeSongBin* song;
};

struct KaraokeSourceClass {
    GstBinClass parentClass;
};

GType KaraokeSourceType();

KaraokeSource* Cast(gpointer object) {
    return G_TYPE_CHECK_INSTANCE_CAST(object, KaraokeSourceType(), KaraokeSource);
}

GstStateChangeReturn ChangeState(GstElement* element, GstStateChange transition) {
    KaraokeSongBin& song = *Cast(element)->song;
    if (transition == GST_STATE_CHANGE_NULL_TO_READY && !song.Built() && !song.Build()) {
        return GST_STATE_CHANGE_FAILURE;
    }
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) song.OfferSynthesisedAudio();
    return GST_ELEMENT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(element)))
        ->change_state(element, transition);
}

void Finalize(GObject* object) {
    KaraokeSource* self = Cast(object);
    g_free(self->uri);
    delete self->song;
    G_OBJECT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)))->finalize(object);
}

GstURIType UriType(GType) {
    return GST_URI_SRC;
}

const gchar* const* Protocols(GType) {
    static const gchar* const protocols[] = {kScheme, nullptr};
    return protocols;
}

gchar* GetUri(GstURIHandler* handler) {
    KaraokeSource* self = Cast(handler);
    GST_OBJECT_LOCK(self);
    gchar* uri = g_strdup(self->uri);
    GST_OBJECT_UNLOCK(self);
    return uri;
}

gboolean SetUri(GstURIHandler* handler, const gchar* uri, GError** error) {
    KaraokeSource* self = Cast(handler);
    const QUrl url(QString::fromUtf8(uri));
    if (GST_STATE(self) != GST_STATE_NULL || self->song->Built() || url.scheme() != kScheme) {
        g_set_error(error, GST_URI_ERROR, GST_URI_ERROR_BAD_STATE, "Cannot take the URI %s now",
                    uri);
        return FALSE;
    }
    GST_OBJECT_LOCK(self);
    g_free(self->uri);
    self->uri = g_strdup(uri);
    self->song->SetPath(url.path());
    GST_OBJECT_UNLOCK(self);
    return TRUE;
}

void UriHandlerInit(gpointer iface, gpointer) {
    auto* handler = static_cast<GstURIHandlerInterface*>(iface);
    handler->get_type = UriType;
    handler->get_protocols = Protocols;
    handler->get_uri = GetUri;
    handler->set_uri = SetUri;
}

void ClassInit(gpointer klass, gpointer) {
    G_OBJECT_CLASS(klass)->finalize = Finalize;
    auto* element = GST_ELEMENT_CLASS(klass);
    element->change_state = ChangeState;
    gst_element_class_set_static_metadata(
        element, "Karaoke song source", "Source/Audio/Video",
        "Plays a karaoke song's audio with its graphics or lyrics", "Tarvelo");
    const GstCapsPtr any(gst_caps_new_any());
    for (const char* name : {"audio", "video"}) {
        gst_element_class_add_pad_template(
            element, gst_pad_template_new(name, GST_PAD_SRC, GST_PAD_SOMETIMES, any.get()));
    }
}

void InstanceInit(GTypeInstance* instance, gpointer) {
    Cast(instance)->song = new KaraokeSongBin(GST_BIN(instance));
}

GType KaraokeSourceType() {
    static const GType type = [] {
        const GType registered = g_type_register_static_simple(
            GST_TYPE_BIN, "TarveloKaraokeSource", sizeof(KaraokeSourceClass), ClassInit,
            sizeof(KaraokeSource), InstanceInit, static_cast<GTypeFlags>(0));
        const GInterfaceInfo handler = {UriHandlerInit, nullptr, nullptr};
        g_type_add_interface_static(registered, GST_TYPE_URI_HANDLER, &handler);
        return registered;
    }();
    return type;
}

}  // namespace

void RegisterKaraokeElements() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);  // does nothing when GStreamer is already initialised
        gst_element_register(nullptr, "tarvelokaraokesrc", GST_RANK_PRIMARY, KaraokeSourceType());
    });
}

QString KaraokeUriFor(const QString& path) {
    if (ResolveKaraokeMedia(path).kind == KaraokeKind::None) return {};
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setScheme(kScheme);
    return url.toString(QUrl::FullyEncoded);
}

QString FindSoundFont() {
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, kSoundFont);
}
