import flash.display.GradientType;
import flash.display.Sprite;
import flash.events.MouseEvent;
import flash.geom.Matrix;
import flash.text.TextField;

/** A rounded push button with a text label; calls its action on a click. */
class Button extends Sprite {
	var label:TextField;
	var w:Float;
	var h:Float;
	var fill:Int;
	var action:Void->Void;
	var hovered = false;

	public var enabled(default, set):Bool = true;

	public function new(caption:String, w:Float, h:Float, action:Void->Void, fill:Int = 0xA3271C, size:Float = 18) {
		super();
		this.w = w;
		this.h = h;
		this.fill = fill;
		this.action = action;
		label = Ui.text(caption, size, 0xFFF1C1);
		label.x = (w - label.width) / 2;
		label.y = (h - label.height) / 2;
		addChild(label);
		buttonMode = true;
		useHandCursor = true;
		mouseChildren = false;
		addEventListener(MouseEvent.ROLL_OVER, function(_) {
			hovered = true;
			draw();
		});
		addEventListener(MouseEvent.ROLL_OUT, function(_) {
			hovered = false;
			draw();
		});
		addEventListener(MouseEvent.CLICK, function(_) {
			if (enabled)
				this.action();
		});
		draw();
	}

	public function setCaption(caption:String) {
		label.text = caption;
		label.x = (w - label.width) / 2;
	}

	function set_enabled(value:Bool):Bool {
		enabled = value;
		buttonMode = value;
		useHandCursor = value;
		alpha = value ? 1.0 : 0.45;
		draw();
		return value;
	}

	function draw() {
		var g = graphics;
		g.clear();
		var top = hovered && enabled ? 0xD0463A : 0xC23A2E;
		var m = new Matrix();
		m.createGradientBox(w, h, Math.PI / 2, 0, 0);
		g.lineStyle(2, 0xE8C36A);
		g.beginGradientFill(GradientType.LINEAR, [top, fill], [1.0, 1.0], [0, 255], m);
		g.drawRoundRect(0, 0, w, h, 12, 12);
		g.endFill();
		g.lineStyle();
	}
}
