/** The movie's embedded Kai font; see FontMacro for the subset. */
@:build(FontMacro.build())
class MovieFont extends flash.text.Font {}
