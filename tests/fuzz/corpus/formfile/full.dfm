object Form1: TTestForm
  Active = True
  Caption = 'It''s'#13#10'here' +
    'more'
  object First: TTestComponent
    Count = -7
    Colour = tcBlue
    Colours = [tcGreen, tcBlue]
    Ratio = 2.5
    Data = {
      00ABFF}
    Lines.Strings = (
      'one'
      '')
    Settings.Address = 'a@b'
    Settings.Enabled = False
    Items = <
      item
        Weight = 3
        Label = 'x'
      end>
    Buddy = Second
    OnChange = ChildChanged
  end
  object Second: TTestComponent
  end
end
