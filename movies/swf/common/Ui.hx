import flash.display.GradientType;
import flash.display.Graphics;
import flash.display.Sprite;
import flash.events.MouseEvent;
import flash.geom.Matrix;
import flash.text.TextField;
import flash.text.TextFieldAutoSize;
import flash.text.TextFormat;
import flash.text.TextFormatAlign;

/** Text, buttons, panels and small drawing helpers shared by the four movies. */
class Ui {
	public static inline var StageWidth = 674;
	public static inline var StageHeight = 477;

	static var fontName:String;

	/** The name of the embedded font, registered on first use. */
	public static function font():String {
		if (fontName == null) {
			flash.text.Font.registerFont(MovieFont);
			fontName = new MovieFont().fontName;
		}
		return fontName;
	}

	/**
	 * A text in the embedded font. With a width the text wraps and the field
	 * grows downwards; without one it is a single line sized to its text.
	 */
	public static function text(content:String, size:Float, color:Int, width:Float = 0, align:String = "left",
			leading:Int = 0):TextField {
		var field = new TextField();
		field.embedFonts = true;
		field.selectable = false;
		field.mouseEnabled = false;
		var format = new TextFormat(font(), size, color);
		format.align = switch (align) {
			case "center": TextFormatAlign.CENTER;
			case "right": TextFormatAlign.RIGHT;
			default: TextFormatAlign.LEFT;
		};
		format.leading = leading;
		field.defaultTextFormat = format;
		if (width > 0) {
			field.width = width;
			field.multiline = true;
			field.wordWrap = true;
		}
		field.autoSize = TextFieldAutoSize.LEFT;
		field.text = content;
		if (width > 0)
			field.width = width;
		return field;
	}

	/** A text centred on (x, y). */
	public static function centred(content:String, size:Float, color:Int, x:Float, y:Float):TextField {
		var field = text(content, size, color);
		field.x = x - field.width / 2;
		field.y = y - field.height / 2;
		return field;
	}

	/** A rectangle filled top to bottom with a two-colour gradient. */
	public static function verticalGradient(g:Graphics, x:Float, y:Float, w:Float, h:Float, top:Int, bottom:Int) {
		var m = new Matrix();
		m.createGradientBox(w, h, Math.PI / 2, x, y);
		g.beginGradientFill(GradientType.LINEAR, [top, bottom], [1.0, 1.0], [0, 255], m);
		g.drawRect(x, y, w, h);
		g.endFill();
	}

	/** A paper panel with a dark red border, for readings. */
	public static function paper(g:Graphics, x:Float, y:Float, w:Float, h:Float) {
		g.lineStyle(0, 0, 0);
		g.beginFill(0x000000, 0.18);
		g.drawRoundRect(x + 4, y + 5, w, h, 14, 14);
		g.endFill();
		g.lineStyle(3, 0x8C1C13);
		g.beginFill(0xFFF8E6);
		g.drawRoundRect(x, y, w, h, 14, 14);
		g.endFill();
		g.lineStyle(1, 0xC9A25A);
		g.drawRoundRect(x + 6, y + 6, w - 12, h - 12, 10, 10);
		g.lineStyle();
	}

	/** A small cloud scroll ornament, as on temple beams. */
	public static function cloud(g:Graphics, x:Float, y:Float, s:Float, color:Int) {
		g.lineStyle(2 * s, color);
		g.moveTo(x - 14 * s, y);
		g.curveTo(x - 14 * s, y - 9 * s, x - 5 * s, y - 9 * s);
		g.curveTo(x + 2 * s, y - 9 * s, x + 2 * s, y - 3 * s);
		g.curveTo(x + 2 * s, y + 1 * s, x - 3 * s, y + 1 * s);
		g.moveTo(x + 2 * s, y - 3 * s);
		g.curveTo(x + 6 * s, y - 12 * s, x + 13 * s, y - 6 * s);
		g.curveTo(x + 17 * s, y - 1 * s, x + 12 * s, y + 2 * s);
		g.lineStyle();
	}

	/** A whole number in [0, count). */
	public static function pick(count:Int):Int {
		var value = Std.int(Math.random() * count);
		return value >= count ? count - 1 : value;
	}

	/** Clamps t to [0, 1] and eases it in and out. */
	public static function ease(t:Float):Float {
		if (t <= 0)
			return 0;
		if (t >= 1)
			return 1;
		return t * t * (3 - 2 * t);
	}
}
