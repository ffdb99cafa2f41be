#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Serializer.h>

namespace tormakelin::fxcore {

bool DocumentSettings::serialize(ISerializer* serializer)
{
    if (!serializer)
        return false;
    bool const saving = serializer->isSaving();
    if (saving && !beginElement(serializer, kDocumentSettingsElement))
        return false;
    serializeAttribute(serializer, "Title", title);
    serializeAttribute(serializer, "AuthorWidth", authorWidth);
    serializeAttribute(serializer, "AuthorHeight", authorHeight);
    serializeAttribute(serializer, "ShowSetupDialog", showSetupDialog);
    serializeAttribute(serializer, "Fullscreen", fullscreen);
    serializeAttribute(serializer, "EndBehavior", endBehavior);
    serializeAttribute(serializer, "LoadingScreen", loadingScreen);
    serializeAttribute(serializer, "FadeLoadingScreen", fadeLoadingScreen);
    serializeAttribute(serializer, "SelectedScene", selectedScene);
    serializeAttribute(serializer, "SelectedGraphFolder", selectedGraphFolder);
    serializeAttribute(serializer, "SelectedGraphNode", selectedGraphNode);
    serializeAttribute(serializer, "SelectedGraphNodeParameter", selectedGraphNodeParameter);
    serializeAttribute(serializer, "SelectedLayer", selectedLayer);
    serializeAttribute(serializer, "SelectedResourceFolder", selectedResourceFolder);
    serializeAttribute(serializer, "SelectedGraphNodeInstance", selectedGraphNodeInstance);
    serializeAttribute(serializer, "SelectedGraphNodeParameterInstance", selectedGraphNodeParameterInstance);
    serializeAttribute(serializer, "SelectedGraphNodeParameterFolder", selectedGraphNodeParameterFolder);
    serializeAttribute(serializer, "SelectedGraphNodeParameterInstanceKey", selectedInstanceKey);
    serializeAttribute(serializer, "SelectedGraphNodeParameterInstanceKeyChannel", selectedInstanceKeyChannel);
    serializeAttribute(serializer, "TimelineVScrollbarPosition", timelineScrollPosition);
    serializeAttribute(serializer, "ResourceBrowserVScrollbarPosition", resourceBrowserScrollPosition);
    serializeAttribute(serializer, "GraphBrowserVScrollbarPosition", graphBrowserScrollPosition);
    serializeAttribute(serializer, "GraphSnapToGrid", graphSnapToGrid);
    if (saving)
        endElement(serializer);
    return true;
}

} // namespace tormakelin::fxcore
